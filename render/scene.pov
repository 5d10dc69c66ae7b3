// rodscene: the camera, lights and background that the converters leave
// out, around their glyphs, which this scene includes as "rodscene_glyphs.inc".
//
// Every glyph carries "rotate <90,0,0>", which maps a site's (x, y, z) to
// (x, -z, y): the configuration's z axis, across which the programs cut
// their slab, is the picture's vertical axis, and its y axis runs away from
// the viewer. render_scene.py places the camera to frame the glyphs it
// draws and declares Camera_X, Camera_Y, Camera_Z (the camera's location),
// Look_X, Look_Y, Look_Z (the point it looks at) and Field (the horizontal
// field of view, degrees). The defaults frame the shipped example.
#version 3.7;

global_settings { assumed_gamma 1.0 }

#ifndef (Camera_X) #declare Camera_X = 60; #end
#ifndef (Camera_Y) #declare Camera_Y = 95; #end
#ifndef (Camera_Z) #declare Camera_Z = -220; #end
#ifndef (Look_X) #declare Look_X = 0; #end
#ifndef (Look_Y) #declare Look_Y = 5; #end
#ifndef (Look_Z) #declare Look_Z = 0; #end
#ifndef (Field) #declare Field = 40; #end

#declare Camera = <Camera_X, Camera_Y, Camera_Z>;
#declare Look = <Look_X, Look_Y, Look_Z>;
#declare Distance = vlength(Camera - Look);

camera {
  perspective
  location Camera
  look_at Look
  right x * image_width / image_height
  angle Field
}

light_source { Look + Distance * <-0.8, 1.4, -1.0> color rgb 1.0 }
light_source { Look + Distance * <1.0, 0.3, -0.8> color rgb 0.4 shadowless }

background { color rgb <0.96, 0.96, 0.94> }

#include "rodscene_glyphs.inc"
