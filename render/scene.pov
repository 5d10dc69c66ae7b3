// rodscene: the camera, lights and background that the converters leave
// out, around their glyphs, which this scene includes as "rodscene_glyphs.inc".
//
// Every glyph carries "rotate <90,0,0>", which maps a site's (x, y, z) to
// (x, -z, y). The union below mirrors that to (x, z, y): POV-Ray's frame is
// left-handed with y up, so the configuration's right-handed frame shows as
// it is, z up. rodscene_render writes "rodscene_view.inc" beside the glyphs
// with the camera, the key and fill lights (Key_Light, Fill_Light, in
// POV-Ray's frame) and the background's transmit (1 for a transparent
// picture). Without it the scene frames the shipped example from the front.
#version 3.7;

global_settings { assumed_gamma 1.0 ambient_light rgb 1 }

#if (file_exists("rodscene_view.inc"))
  #include "rodscene_view.inc"
#else
  camera {
    perspective
    location <0, 5, -260>
    right x * image_width / image_height
    angle 40
    look_at <0, 5, 0>
  }
#end
#ifndef (Key_Light) #declare Key_Light = <-200, 350, -260>; #end
#ifndef (Fill_Light) #declare Fill_Light = <260, 80, -210>; #end
#ifndef (Background_Transmit) #declare Background_Transmit = 0; #end

// The key light's shadows show which rods lie above which; a shadowless
// fill keeps the far sides readable. (Soft shadows from an area light cost
// a final picture several times its time, with anti-aliasing chasing their
// edges.)
// Even light (rodscene_view.inc declares Even_Light, with the key light at
// the eye) keeps a colour that stands for a value the same wherever its
// rod lies: no shadow and no fill.
#ifdef (Even_Light)
  light_source { Key_Light color rgb 1.0 shadowless }
#else
  light_source { Key_Light color rgb 1.0 }
  light_source { Fill_Light color rgb 0.45 shadowless }
#end

background { color rgbt <0.96, 0.96, 0.94, Background_Transmit> }

// Rods keep their pigments; a little ambient keeps shadowed sides from
// going black. (A highlight would show rods round, but its sharp edges
// send the anti-aliasing after every rod.)
#default { finish { ambient 0.12 diffuse 0.8 } }

union {
  #include "rodscene_glyphs.inc"
  // Keeps the union whole when a frame has no glyph to draw.
  sphere { 0, 0.001 no_image no_shadow no_reflection }
  scale <1, -1, 1>
}
