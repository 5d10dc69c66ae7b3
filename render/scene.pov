// rodscene: the camera, lights and background that the converters leave
// out, around their glyphs, which this scene includes as "rodscene_glyphs.inc".
//
// Every glyph carries "rotate <90,0,0>", which maps a site's (x, y, z) to
// (x, -z, y). The union below mirrors that to (x, z, y): POV-Ray's frame is
// left-handed with y up, so the configuration's right-handed frame shows as
// it is, z up. rodscene_render writes "rodscene_view.inc" beside the glyphs
// with the camera (View_Location, View_Look, View_Sky, View_Angle: the
// horizontal field of view in degrees, all in POV-Ray's frame), the two
// lights and the background's transmit (1 for a transparent picture). The
// defaults frame the shipped example from the front.
#version 3.7;

global_settings { assumed_gamma 1.0 }

#if (file_exists("rodscene_view.inc"))
  #include "rodscene_view.inc"
#end
#ifndef (View_Location) #declare View_Location = <0, 5, -260>; #end
#ifndef (View_Look) #declare View_Look = <0, 5, 0>; #end
#ifndef (View_Sky) #declare View_Sky = <0, 1, 0>; #end
#ifndef (View_Angle) #declare View_Angle = 40; #end
#ifndef (Key_Light) #declare Key_Light = <-200, 350, -260>; #end
#ifndef (Fill_Light) #declare Fill_Light = <260, 80, -210>; #end
#ifndef (Background_Transmit) #declare Background_Transmit = 0; #end

camera {
  perspective
  location View_Location
  right x * image_width / image_height
  sky View_Sky
  angle View_Angle
  look_at View_Look
}

light_source { Key_Light color rgb 1.0 }
light_source { Fill_Light color rgb 0.4 shadowless }

background { color rgbt <0.96, 0.96, 0.94, Background_Transmit> }

union {
  #include "rodscene_glyphs.inc"
  // Keeps the union whole when a frame has no glyph to draw.
  sphere { 0, 0.001 no_image no_shadow no_reflection }
  scale <1, -1, 1>
}
