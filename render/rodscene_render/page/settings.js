// The rodscene page: the glyphs the page carries, drawn with three.js on
// the render path's cameras, turned with the mouse or touch, and the
// command that renders the same view with POV-Ray.
"use strict";

const META = JSON.parse(document.getElementById("meta").textContent);
const TEXTS = {
  no_webgl: "This browser cannot draw in 3D (WebGL is off or missing), " +
    "so the rods are not shown here; the command below still renders " +
    "them with POV-Ray.",
  no_rods: "This page's rods did not reach the browser: it holds more " +
    "than a browser reads. Write it anew with fewer INPUTs.",
  no_glyph: "No rod to draw: every rod lies outside the converter's " +
    "window or cannot be drawn.",
  copy: "copy", copied: "copied", play: "play", pause: "pause",
  picture: "# this view as a picture",
  film: "# the whole trajectory as a film of its {} frames",
  fold: "hide command", unfold: "command",
  line: {scene: "its cylinder", configuration: "its record"},
  no_line: "its line is not known: a converter program read the file",
  centre: "centre", direction: "direction",
};
const KEYS = new Map([["f", "front"], ["s", "side"], ["t", "top"],
                      ["i", "iso"], ["d", "director"], ["a", "across"]]);
// The scene's linear colours; the renderer encodes them for the screen as
// POV-Ray does for its pictures.
const COLOURS = {teal: [0, 0.8, 0.67381], blue: [0, 0.1, 0.87381],
                 cap: [0.95254, 0, 0], box: [0.55, 0.55, 0.55]};
// The pictures have no highlight, and give blue rods more ambient (0.28)
// and diffuse (1.0) light than the others (0.12, 0.8), since pure blue
// reads dark: here the colour is scaled by 1.0 / 0.8 and the rest of the
// ambient glows.
const FINISH = {blue: {gain: 1.25, glow: 0.28 - 0.12 * 1.25}};
const BACKGROUND = "#fafaf8";  // the scene's background, encoded
// Rods coloured by a value (orientation, local order): mostly ambient
// light, and a little from the camera that shows their form, so that a
// rod seen at a slant is at most 15% darker (7% in lightness).
const FLAT_LIGHT = {ambient: 0.85, head: 0.15};
// A faint rod lets 0.85 of the light through in the pictures (transmit).
// Here it is a thin, unlit line of its colour mixed with the background,
// FAINT_SHARE of it: lines that cross or lie behind one another hide
// each other rather than stack, so that however dense the sample the
// faint rods never thicken into a haze over the solid ones.
const FAINT_SHARE = 0.45;
const FAINT_THIN = 0.3;  // of a rod's radius
const BACKGROUND_BYTES = [250, 250, 248];  // BACKGROUND's sRGB bytes
const AXES = [["x", "#dc2121"], ["y", "#1a9e2e"], ["z", "#264de6"]];
// The converters' rods; a page of a whole system gives its rods' own
// radius, ends, heads and one neutral colour (META.shape).
const ROD_RADIUS = META.shape ? META.shape.radius : 1.2;
const CAP_RADIUS = META.shape ? META.shape.head : 0.25;
const HEADS = META.shape ? META.shape.heads : true;
// Round ends only the quick drawing has: such rods are always drawn so.
const ROUND_ENDS = Boolean(META.shape && META.shape.round);
if (META.shape) COLOURS.teal = META.shape.colour;
const BOX_RADIUS = 0.3;
const ROD_SEGMENTS = 16;
// A frame of more rods is drawn as quads turned to the camera while the
// view moves, and of more than DETAIL_RODS when it is still too: software
// WebGL draws the meshes' instances one at a time, at about a second a
// frame for the example's 3370 rods, and many seconds for 1e5.
const MESH_RODS = 1000;
const DETAIL_RODS = 5000;
const STILL_DELAY = 250;  // ms after the last move before caps are drawn
const MOVING_SCALE = 0.5;  // of the pixels across while many rods move
const ORBIT_STEP = 0.3;  // degrees a pixel dragged
const WHEEL_STEP = 0.0015;  // zoom factor e^(step x wheel delta)
const ROD_WORDS = 9;  // 16-bit integers a rod: centre, half axis, cap offset
const COLOUR_BYTES = 3;  // sRGB bytes a rod when coloured by orientation
// The converters' cylinder runs 8 directions either way of its site.
const ROD_HALF = 8;
const TAP_SLOP = 5;  // CSS pixels a click or tap may move and still pick
const BOX_DIGITS = 2;  // decimals of a box's sides taken from the rods
const COMMAND_DELAY = 150;  // ms after the last move before the command
const TRIAD_SIZE = 90;  // pixels
const POLE = 90 - 1e-9;  // elevation beyond which +y is up
// The command line's bounds on --zoom and --look (each coordinate's size):
// the commands the page shows keep within them.
const MIN_ZOOM = 0.001;
const MAX_ZOOM = 1000;
const MAX_LOOK = 1e8;
const PROJECTIONS = ["orthographic", "perspective"];

