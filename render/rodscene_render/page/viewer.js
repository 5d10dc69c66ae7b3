// The rodscene page: the glyphs the page carries, drawn with three.js on
// the render path's cameras, turned with the mouse or touch, and the
// command that renders the same view with POV-Ray.
"use strict";

const META = JSON.parse(document.getElementById("meta").textContent);
const TEXTS = {
  no_webgl: "This browser cannot draw in 3D (WebGL is off or missing), " +
    "so the rods are not shown here; the command below still renders " +
    "them with POV-Ray.",
  no_glyph: "No rod to draw: every rod lies outside the converter's " +
    "window or cannot be drawn.",
  copy: "copy", copied: "copied", play: "play", pause: "pause",
  picture: "# this view as a picture",
  film: "# the whole trajectory as a film",
};
const KEYS = new Map([["f", "front"], ["s", "side"], ["t", "top"],
                      ["i", "iso"]]);
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
const AXES = [["x", "#dc2121"], ["y", "#1a9e2e"], ["z", "#264de6"]];
const ROD_RADIUS = 1.2;
const CAP_RADIUS = 0.25;
const BOX_RADIUS = 0.3;
const ROD_SEGMENTS = 16;
const ORBIT_STEP = 0.3;  // degrees a pixel dragged
const WHEEL_STEP = 0.0015;  // zoom factor e^(step x wheel delta)
const ROD_WORDS = 9;  // 16-bit integers a rod: centre, half axis, cap offset
const COMMAND_DELAY = 150;  // ms after the last move before the command
const TRIAD_SIZE = 90;  // pixels
const POLE = 90 - 1e-9;  // elevation beyond which +y is up
// The command line's bounds on --zoom and --look (each coordinate's size):
// the commands the page shows keep within them.
const MIN_ZOOM = 0.001;
const MAX_ZOOM = 1000;
const MAX_LOOK = 1e8;
const PROJECTIONS = ["orthographic", "perspective"];

// ----- the rods -----

function decode_base64(text) {
  if (Uint8Array.fromBase64) return Uint8Array.fromBase64(text);
  const chars = atob(text);
  const bytes = new Uint8Array(chars.length);
  for (let i = 0; i < chars.length; i++) bytes[i] = chars.charCodeAt(i);
  return bytes;
}

const bytes = decode_base64(document.getElementById("rods").textContent);
// The page writes little-endian integers, the byte order of every
// platform a browser runs on.
const words = new Int16Array(bytes.buffer, 0, bytes.length >> 1);
const frame_count = META.counts.length;
const first = [0];
for (const n of META.counts) first.push(first[first.length - 1] + n);

// Tail, head and cap centre of rod i of frame k, into out[0..8]. A frame
// stores each quantity as origin + step x integer (META.tables).
function rod_points(k, i, out) {
  const t = META.tables[k];
  const w = (first[k] + i) * ROD_WORDS;
  for (let a = 0; a < 3; a++) {
    const c = t[a] + t[3] * words[w + a];
    const h = t[4 + a] + t[7] * words[w + 3 + a];
    const o = t[8 + a] + t[11] * words[w + 6 + a];
    out[a] = c - h;
    out[3 + a] = c + h;
    out[6 + a] = c - h + o;
  }
}

// ----- the camera, as camera.py makes it -----

const dot = (a, b) => a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
const cross = (a, b) => [a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2],
                         a[0] * b[1] - a[1] * b[0]];
const mix = (terms) => [0, 1, 2].map(
  (i) => terms.reduce((sum, [s, v]) => sum + s * v[i], 0));
const radians = (d) => d * Math.PI / 180;

// Forward, up and right of a camera looking from (azimuth, elevation):
// z up in the picture; straight down or up, +y up.
function view_axes(azimuth, elevation) {
  const a = radians(azimuth), e = radians(elevation);
  let forward = [-Math.cos(e) * Math.cos(a), -Math.cos(e) * Math.sin(a),
                 -Math.sin(e)];
  let up;
  if (Math.abs(elevation) >= POLE) {
    forward = [0, 0, -Math.sign(elevation)];
    up = [0, 1, 0];
  } else {
    up = mix([[1, [0, 0, 1]], [-forward[2], forward]]);
    const n = Math.sqrt(dot(up, up));
    up = up.map((v) => v / n);
  }
  return [forward, up, cross(forward, up)];
}

// Every point a fit frames: the rods' tails, heads and caps of the
// frames listed, and the box's corners.
function each_point(frames, visit) {
  const p = new Float64Array(9);
  let any = false;
  for (const k of frames) {
    for (let i = 0; i < META.counts[k]; i++) {
      rod_points(k, i, p);
      visit(p[0], p[1], p[2]);
      visit(p[3], p[4], p[5]);
      visit(p[6], p[7], p[8]);
      any = true;
    }
  }
  for (const c of META.box || []) { visit(c[0], c[1], c[2]); any = true; }
  if (!any) visit(0, 0, 0);
}

// The look point and span (the width shown at the look point) of the
// camera that frames the frames' points from (azimuth, elevation), as
// camera.fit_camera computes them at zoom 1.
function fit(frames, azimuth, elevation, projection) {
  const [f, u, r] = view_axes(azimuth, elevation);
  const aspect = META.height / META.width;
  const tan_x = Math.tan(radians(META.field / 2)) / (1 + 2 * META.margin);
  const tan_y = tan_x * aspect;
  const m = {a0: Infinity, a1: -Infinity, u0: Infinity, u1: -Infinity,
             d0: Infinity, d1: -Infinity, px: -Infinity, qx: -Infinity,
             py: -Infinity, qy: -Infinity};
  each_point(frames, (x, y, z) => {
    const a = x * r[0] + y * r[1] + z * r[2];
    const b = x * u[0] + y * u[1] + z * u[2];
    const d = x * f[0] + y * f[1] + z * f[2];
    if (a < m.a0) m.a0 = a;
    if (a > m.a1) m.a1 = a;
    if (b < m.u0) m.u0 = b;
    if (b > m.u1) m.u1 = b;
    if (d < m.d0) m.d0 = d;
    if (d > m.d1) m.d1 = d;
    if (a - tan_x * d > m.px) m.px = a - tan_x * d;
    if (-a - tan_x * d > m.qx) m.qx = -a - tan_x * d;
    if (b - tan_y * d > m.py) m.py = b - tan_y * d;
    if (-b - tan_y * d > m.qy) m.qy = -b - tan_y * d;
  });
  const middle = (m.d0 + m.d1) / 2;
  const pad = META.pad;
  if (projection === "orthographic") {
    const wide = m.a1 - m.a0 + 2 * pad, high = m.u1 - m.u0 + 2 * pad;
    return {look: mix([[(m.a0 + m.a1) / 2, r], [(m.u0 + m.u1) / 2, u],
                       [middle, f]]),
            span: Math.max(wide, high / aspect) * (1 + 2 * META.margin)};
  }
  const side = (p, q, t) => [(p - q) / 2, -(p + q + 2 * pad) / (2 * t)];
  const [cx, dx] = side(m.px, m.qx, tan_x);
  const [cy, dy] = side(m.py, m.qy, tan_y);
  const distance = middle - Math.min(dx, dy, m.d0 - 2 * pad);
  return {look: mix([[cx, r], [cy, u], [middle, f]]),
          span: 2 * distance * Math.tan(radians(META.field / 2))};
}

const all_frames = [...Array(frame_count).keys()];

// ----- the view's state and the address's fragment -----

const state = {azimuth: 0, elevation: 0, look: [0, 0, 0], span: 1,
               projection: "perspective", frame: 0};
let opening = null;

const clamp = (v, low, high) => Math.min(high, Math.max(low, v));
// An azimuth as the same direction within [-180, 180).
const wrap = (azimuth) => ((azimuth % 360) + 540) % 360 - 180;
const own = (table, key) => Object.prototype.hasOwnProperty.call(table, key);

function numbers(text, count) {
  // An absent or empty value is none: Number("") would read it as 0.
  if (!text) return null;
  const v = text.split(",").map(Number);
  return v.length === count && v.every(Number.isFinite) ? v : null;
}

// What the address's fragment asks for, each value only if the command
// line would take it (and a frame only if the page has it); any other is
// null, as if the fragment did not say it. A view is looked up as the
// page's own: "constructor" is no view. The frame counts from 0.
function read_fragment() {
  const p = new URLSearchParams(location.hash.slice(1));
  const view = p.get("view"), projection = p.get("projection");
  const camera = numbers(p.get("camera"), 2);
  const [zoom] = numbers(p.get("zoom"), 1) || [null];
  const look = numbers(p.get("look"), 3);
  const [frame] = numbers(p.get("frame"), 1) || [null];
  return {
    view: view !== null && own(META.views, view) ? view : null,
    camera: camera && Math.abs(camera[1]) <= 90
      ? [wrap(camera[0]), camera[1]] : null,
    zoom: zoom !== null && zoom >= MIN_ZOOM && zoom <= MAX_ZOOM ? zoom : null,
    look: look && look.every((v) => Math.abs(v) <= MAX_LOOK) ? look : null,
    frame: Number.isInteger(frame) && frame >= 1 && frame <= frame_count
      ? frame - 1 : null,
    projection: PROJECTIONS.includes(projection) ? projection : null};
}

// The camera the page opens on: the fragment's when it says one, else
// the one the page was written with; fitted is the span of the fit of
// every frame from its direction.
function start_camera(fragment) {
  const asked = fragment.view || fragment.camera || fragment.zoom ||
    fragment.look || fragment.projection;
  const s = asked ? fragment : META.start;
  const view = s.camera ? null : META.views[s.view || "iso"];
  const [azimuth, elevation] = view ? [view.azimuth, view.elevation]
                                    : s.camera;
  const projection = s.projection || (view ? view.projection : "perspective");
  const fitted = view && projection === view.projection ? view
    : fit(all_frames, azimuth, elevation, projection);
  const zoom = s.zoom || 1;
  return {azimuth, elevation, projection, span: fitted.span / zoom,
          look: s.look || fitted.look, fitted: fitted.span};
}

// Keeps the view within what the command line takes: a zoom between
// MIN_ZOOM and MAX_ZOOM of the fit of every frame, whose span is fitted
// (by default the last one computed: the controls bound the view with it
// between two commands), and a look point within MAX_LOOK of the origin.
let fitted_span = null;
function bound_state(fitted = fitted_span) {
  fitted_span = fitted;
  state.span = clamp(state.span, fitted / MAX_ZOOM, fitted / MIN_ZOOM);
  state.look = state.look.map((v) => clamp(v, -MAX_LOOK, MAX_LOOK));
}

function set_view(name) {
  if (!own(META.views, name)) return;
  const v = META.views[name];
  Object.assign(state, {azimuth: v.azimuth, elevation: v.elevation,
                        projection: v.projection, span: v.span,
                        look: v.look.slice()});
  changed();
}

// ----- drawing -----

function webgl_works() {
  try {
    const c = document.createElement("canvas");
    return !!(window.WebGLRenderingContext && c.getContext("webgl"));
  } catch (e) {
    return false;
  }
}

const canvas = document.getElementById("view");
const triad = document.getElementById("triad");
const stage = document.getElementById("stage");
const note = document.getElementById("note");
const drawn = {renderer: null, scene: null, camera: null, meshes: null,
               pending: false, first_ms: null, update_ms: null};

function material(name) {
  const rgb = COLOURS[name], finish = FINISH[name] || {gain: 1, glow: 0};
  const colour = (scale) => new THREE.Color(...rgb.map((v) => v * scale));
  return new THREE.MeshPhongMaterial({
    color: colour(finish.gain), emissive: colour(finish.glow),
    specular: 0x000000});
}

function instanced(geometry, name, count) {
  const mesh = new THREE.InstancedMesh(geometry, material(name),
                                       Math.max(count, 1));
  mesh.frustumCulled = false;
  return mesh;
}

// Writes into matrix m (at index j) the transform that takes the unit
// cylinder along y, centred on 0, to the rod from tail to head: its
// columns are a unit normal, the axis and a second unit normal.
function rod_matrix(m, j, p) {
  const ax = [p[3] - p[0], p[4] - p[1], p[5] - p[2]];
  const n = Math.sqrt(dot(ax, ax));
  const a = ax.map((v) => v / n);
  const seed = Math.abs(a[0]) < 0.9 ? [1, 0, 0] : [0, 1, 0];
  let s = cross(seed, a);
  const sn = Math.sqrt(dot(s, s));
  s = s.map((v) => v / sn);
  const t = cross(s, a);
  m.set([s[0], s[1], s[2], 0, ax[0], ax[1], ax[2], 0, t[0], t[1], t[2], 0,
         (p[0] + p[3]) / 2, (p[1] + p[4]) / 2, (p[2] + p[5]) / 2, 1], j * 16);
}

function cap_matrix(m, j, p) {
  m.set([1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, p[6], p[7], p[8], 1], j * 16);
}

function build_scene() {
  const most = Math.max(1, ...META.counts);
  const rod = new THREE.CylinderBufferGeometry(ROD_RADIUS, ROD_RADIUS, 1,
                                               ROD_SEGMENTS);
  const cap = new THREE.SphereBufferGeometry(CAP_RADIUS, 10, 6);
  // One geometry a mesh: three.js r111 keeps the attributes bound between
  // two draws of one geometry, and would draw the blue rods with the teal
  // rods' places.
  const meshes = {teal: instanced(rod, "teal", most),
                  blue: instanced(rod.clone(), "blue", most),
                  cap: instanced(cap, "cap", most)};
  const scene = new THREE.Scene();
  scene.background = new THREE.Color(BACKGROUND);
  for (const mesh of Object.values(meshes)) scene.add(mesh);
  if (META.box) scene.add(box_mesh());
  // The scene's finish: ambient 0.12 and diffuse 0.8 under a key light
  // above and left of the camera and a fill light of 0.45 from the right,
  // both turning with the camera as the pictures' lights do.
  scene.add(new THREE.AmbientLight(0xffffff, 0.12));
  const camera = new THREE.PerspectiveCamera();
  const key = new THREE.DirectionalLight(0xffffff, 0.8);
  key.position.set(-0.6, 0.9, 0.2);
  const fill = new THREE.DirectionalLight(0xffffff, 0.36);
  fill.position.set(0.8, 0.3, 0);
  camera.add(key, fill);
  scene.add(camera);
  return {scene, meshes, camera};
}

function box_mesh() {
  const rod = new THREE.CylinderBufferGeometry(BOX_RADIUS, BOX_RADIUS, 1, 8);
  const mesh = instanced(rod, "box", 12);
  const c = META.box;
  let j = 0;
  for (let i = 0; i < 8; i++) {
    for (let a = 0; a < 3; a++) {
      const other = i | (1 << a);
      if (other !== i) {
        rod_matrix(mesh.instanceMatrix.array, j++, [...c[i], ...c[other]]);
      }
    }
  }
  return mesh;
}

// Puts frame k's rods into the meshes: teal rods come first.
function load_frame(k) {
  const started = performance.now();
  const {teal, blue, cap} = drawn.meshes;
  const count = META.counts[k], teals = META.teal[k];
  const p = new Float64Array(9);
  for (let i = 0; i < count; i++) {
    rod_points(k, i, p);
    if (i < teals) rod_matrix(teal.instanceMatrix.array, i, p);
    else rod_matrix(blue.instanceMatrix.array, i - teals, p);
    cap_matrix(cap.instanceMatrix.array, i, p);
  }
  teal.count = teals;
  blue.count = count - teals;
  cap.count = count;
  for (const mesh of [teal, blue, cap]) {
    mesh.visible = mesh.count > 0;
    mesh.instanceMatrix.needsUpdate = true;
  }
  drawn.update_ms = performance.now() - started;
}

function place_camera() {
  const {camera} = drawn;
  const [f, u] = view_axes(state.azimuth, state.elevation);
  const w = canvas.width, h = canvas.height;
  const half = Math.tan(radians(META.field / 2));
  const reach = scene_reach();
  let distance;
  if (state.projection === "orthographic") {
    // Behind everything, as the pictures' orthographic camera stands.
    distance = reach + 10 * META.pad;
    const ortho = new THREE.OrthographicCamera(
      -state.span / 2, state.span / 2, state.span * h / w / 2,
      -state.span * h / w / 2, 0, 2 * distance + reach);
    drawn.camera.projectionMatrix.copy(ortho.projectionMatrix);
  } else {
    distance = state.span / (2 * half);
    const fov = 2 * Math.atan(half * h / w) * 180 / Math.PI;
    const near = Math.max(distance * 1e-3, 1e-3);
    const persp = new THREE.PerspectiveCamera(fov, w / h, near,
                                              distance + reach);
    drawn.camera.projectionMatrix.copy(persp.projectionMatrix);
  }
  drawn.camera.projectionMatrixInverse.getInverse(
    drawn.camera.projectionMatrix);
  camera.position.set(...mix([[1, state.look], [-distance, f]]));
  camera.up.set(...u);
  camera.lookAt(...state.look);
}

// How far from the look point anything drawn can be.
let bounds = null;
function scene_reach() {
  if (!bounds) {
    const low = [Infinity, Infinity, Infinity];
    const high = [-Infinity, -Infinity, -Infinity];
    each_point(all_frames, (x, y, z) => {
      [x, y, z].forEach((v, a) => {
        low[a] = Math.min(low[a], v);
        high[a] = Math.max(high[a], v);
      });
    });
    bounds = {centre: mix([[0.5, low], [0.5, high]]),
              radius: Math.hypot(high[0] - low[0], high[1] - low[1],
                                 high[2] - low[2]) / 2 + 2 * META.pad};
  }
  const off = mix([[1, state.look], [-1, bounds.centre]]);
  return bounds.radius + Math.sqrt(dot(off, off));
}

function size_canvas() {
  const room = stage.getBoundingClientRect();
  const aspect = META.width / META.height;
  const w = Math.max(1, Math.floor(Math.min(room.width,
                                            room.height * aspect)));
  const h = Math.max(1, Math.round(w / aspect));
  const left = Math.floor((room.width - w) / 2);
  const top = Math.floor((room.height - h) / 2);
  Object.assign(canvas.style, {left: `${left}px`, top: `${top}px`,
                               width: `${w}px`, height: `${h}px`});
  Object.assign(triad.style, {left: `${left}px`,
                              top: `${top + h - TRIAD_SIZE}px`});
  const ratio = window.devicePixelRatio || 1;
  if (drawn.renderer) {
    drawn.renderer.setPixelRatio(ratio);
    drawn.renderer.setSize(w, h, false);
  }
  triad.width = triad.height = Math.round(TRIAD_SIZE * ratio);
  triad.style.width = triad.style.height = `${TRIAD_SIZE}px`;
}

function draw() {
  drawn.pending = false;
  if (drawn.renderer) {
    place_camera();
    drawn.renderer.render(drawn.scene, drawn.camera);
    if (drawn.first_ms === null) drawn.first_ms = performance.now();
  }
  draw_triad();
}

function request_draw() {
  if (!drawn.pending) {
    drawn.pending = true;
    requestAnimationFrame(draw);
  }
}

// x, y and z arrows from one origin, as the camera sees the axes; the
// arrows pointing away are drawn first.
function draw_triad() {
  const g = triad.getContext("2d");
  const scale = triad.width / TRIAD_SIZE;
  g.setTransform(scale, 0, 0, scale, 0, 0);
  g.clearRect(0, 0, TRIAD_SIZE, TRIAD_SIZE);
  const [f, u, r] = view_axes(state.azimuth, state.elevation);
  const o = TRIAD_SIZE / 2, length = TRIAD_SIZE * 0.3;
  const order = [0, 1, 2].sort((a, b) => f[b] - f[a]);
  g.lineWidth = 3;
  g.font = "bold 14px sans-serif";
  g.textAlign = "center";
  g.textBaseline = "middle";
  for (const i of order) {
    const x = o + length * r[i], y = o - length * u[i];
    g.strokeStyle = g.fillStyle = AXES[i][1];
    g.beginPath();
    g.moveTo(o, o);
    g.lineTo(x, y);
    g.stroke();
    g.fillText(AXES[i][0], o + 1.35 * length * r[i], o - 1.35 * length * u[i]);
  }
}

// ----- the command that renders the view -----

const fixed = (v, digits) => Number(v.toFixed(digits)).toString();

// The zoom of the state's span against a fit's: bound_state keeps it
// within the command line's bounds for every frame's fit, and one frame's
// fit can be smaller still.
const zoom_of = (fitted) => clamp(
  Number((fitted.span / state.span).toPrecision(4)), MIN_ZOOM, MAX_ZOOM);

function camera_words(fitted) {
  const words = ["--camera", fixed(state.azimuth, 3),
                 fixed(state.elevation, 3), "--zoom", zoom_of(fitted),
                 "--look", ...state.look.map((v) => fixed(v, 4))];
  if (state.projection === "orthographic") {
    words.push("--projection", "orthographic");
  }
  return words.join(" ");
}

const fit_state = (frames) => fit(frames, state.azimuth, state.elevation,
                                  state.projection);

// The commands for the state; whole is the fit of every frame.
function command_text(whole = fit_state(all_frames)) {
  const tail = META.options ? " " + META.options : "";
  const picture = `${META.program} ${META.inputs[state.frame]} ` +
    `${META.picture} ` +
    `${camera_words(frame_count === 1 ? whole : fit_state([state.frame]))}` +
    `${tail}`;
  if (frame_count === 1) return picture;
  return `${TEXTS.picture}\n${picture}\n${TEXTS.film}\n${META.program} ` +
    `--movie ${META.movie} ${META.film_inputs} ` +
    `${camera_words(whole)}${tail}`;
}

function fragment_text(whole) {
  return `#frame=${state.frame + 1}&camera=${fixed(state.azimuth, 3)},` +
    `${fixed(state.elevation, 3)}&zoom=${zoom_of(whole)}` +
    `&look=${state.look.map((v) => fixed(v, 4)).join(",")}` +
    `&projection=${state.projection}`;
}

let command_timer = null;
function update_command() {
  command_timer = null;
  const whole = fit_state(all_frames);
  const span = state.span, look = state.look;
  bound_state(whole.span);
  if (state.span !== span || state.look.some((v, a) => v !== look[a])) {
    request_draw();
  }
  document.getElementById("command").textContent = command_text(whole);
  keep_fragment(fragment_text(whole));
}

// The address keeps the view, so that it can be shared; a page shown
// inside another (a notebook's frame) has no address of its own to keep.
function keep_fragment(fragment) {
  try {
    history.replaceState(null, "", fragment);
  } catch (e) {
    if (e.name !== "SecurityError") throw e;
  }
}

function changed() {
  request_draw();
  clearTimeout(command_timer);
  command_timer = setTimeout(update_command, COMMAND_DELAY);
  document.getElementById("projection").textContent = state.projection;
}

function copy_command() {
  const text = document.getElementById("command").textContent;
  const button = document.getElementById("copy");
  const done = () => {
    button.textContent = TEXTS.copied;
    setTimeout(() => { button.textContent = TEXTS.copy; }, 1500);
  };
  if (navigator.clipboard && window.isSecureContext) {
    navigator.clipboard.writeText(text).then(done, () => copy_by_selection(
      text, done));
  } else {
    copy_by_selection(text, done);
  }
}

function copy_by_selection(text, done) {
  const area = document.createElement("textarea");
  area.value = text;
  document.body.append(area);
  area.select();
  if (document.execCommand("copy")) done();
  area.remove();
}

// ----- frames -----

const player = {timer: null};

// Shows frame k, counted from 0 and wrapped around the trajectory.
function show_frame(k) {
  if (!Number.isInteger(k)) return;
  state.frame = ((k % frame_count) + frame_count) % frame_count;
  if (drawn.renderer) load_frame(state.frame);
  document.getElementById("slider").value = state.frame + 1;
  document.getElementById("counter").textContent =
    `${state.frame + 1} / ${frame_count}`;
  document.getElementById("name").textContent = META.names[state.frame];
  const empty = META.counts[state.frame] === 0;
  if (drawn.renderer) {
    note.hidden = !empty;
    note.textContent = TEXTS.no_glyph;
  }
  changed();
}

function play(on) {
  clearInterval(player.timer);
  player.timer = null;
  if (on) {
    const fps = Number(document.getElementById("fps").value) || 24;
    player.timer = setInterval(() => show_frame(state.frame + 1),
                               1000 / Math.min(Math.max(fps, 0.5), 60));
  }
  document.getElementById("play").textContent = on ? TEXTS.pause
                                                   : TEXTS.play;
}

// ----- mouse, touch and keys -----

const pointers = new Map();

function on_pointer_down(e) {
  canvas.setPointerCapture(e.pointerId);
  pointers.set(e.pointerId, {x: e.clientX, y: e.clientY, button: e.button,
                             pan: e.button !== 0 || e.shiftKey || e.ctrlKey});
}

function on_pointer_move(e) {
  const last = pointers.get(e.pointerId);
  if (!last) return;
  const dx = e.clientX - last.x, dy = e.clientY - last.y;
  if (pointers.size === 2) {
    pinch(e.pointerId, e.clientX, e.clientY);
  } else if (last.pan) {
    pan(dx, dy);
  } else {
    state.azimuth = ((state.azimuth - dx * ORBIT_STEP + 540) % 360) - 180;
    state.elevation = Math.min(90, Math.max(-90,
                                            state.elevation + dy * ORBIT_STEP));
  }
  Object.assign(last, {x: e.clientX, y: e.clientY});
  changed();
}

function on_pointer_up(e) {
  pointers.delete(e.pointerId);
}

// Moves the look point with the picture: dx, dy in CSS pixels.
function pan(dx, dy) {
  const [, u, r] = view_axes(state.azimuth, state.elevation);
  const unit = state.span / canvas.clientWidth;
  state.look = mix([[1, state.look], [-dx * unit, r], [dy * unit, u]]);
  bound_state();
}

// Two fingers: their spread zooms, their middle pans.
function pinch(id, x, y) {
  const [a, b] = [...pointers.entries()].map(([key, p]) =>
    key === id ? {x, y} : p);
  const [old_a, old_b] = [...pointers.values()];
  const spread = (p, q) => Math.hypot(p.x - q.x, p.y - q.y) || 1;
  pan((a.x + b.x - old_a.x - old_b.x) / 2, (a.y + b.y - old_a.y - old_b.y) / 2);
  state.span *= spread(old_a, old_b) / spread(a, b);
  bound_state();
}

function on_wheel(e) {
  e.preventDefault();
  state.span *= Math.exp(e.deltaY * WHEEL_STEP);
  bound_state();
  changed();
}

function on_key(e) {
  // A focused field or slider keeps its own keys.
  if (e.target.tagName === "INPUT" &&
      (e.target.type === "number" || e.key.startsWith("Arrow"))) return;
  if (e.ctrlKey || e.metaKey || e.altKey) return;
  if (KEYS.has(e.key)) set_view(KEYS.get(e.key));
  else if (e.key === "r") reset();
  else if (e.key === "p") toggle_projection();
  else if (e.key === "ArrowRight") show_frame(state.frame + 1);
  else if (e.key === "ArrowLeft") show_frame(state.frame - 1);
  else if (e.key === " " && frame_count > 1) play(player.timer === null);
  else return;
  e.preventDefault();
}

function toggle_projection() {
  state.projection = state.projection === "orthographic" ? "perspective"
                                                         : "orthographic";
  changed();
}

function reset() {
  Object.assign(state, opening, {look: opening.look.slice()});
  changed();
}

function wire() {
  for (const b of document.querySelectorAll("[data-view]")) {
    b.addEventListener("click", () => set_view(b.dataset.view));
  }
  document.getElementById("reset").addEventListener("click", reset);
  document.getElementById("projection").addEventListener(
    "click", toggle_projection);
  document.getElementById("copy").addEventListener("click", copy_command);
  document.getElementById("play").addEventListener(
    "click", () => play(player.timer === null));
  document.getElementById("fps").addEventListener(
    "change", () => { if (player.timer !== null) play(true); });
  document.getElementById("slider").addEventListener(
    "input", (e) => show_frame(Number(e.target.value) - 1));
  canvas.addEventListener("pointerdown", on_pointer_down);
  canvas.addEventListener("pointermove", on_pointer_move);
  canvas.addEventListener("pointerup", on_pointer_up);
  canvas.addEventListener("pointercancel", on_pointer_up);
  canvas.addEventListener("wheel", on_wheel, {passive: false});
  canvas.addEventListener("contextmenu", (e) => e.preventDefault());
  window.addEventListener("keydown", on_key);
  // The stage changes size with the window and with the command's lines.
  new ResizeObserver(() => { size_canvas(); request_draw(); }).observe(stage);
}

function start() {
  const fragment = read_fragment();
  const {fitted, ...camera} = start_camera(fragment);
  Object.assign(state, camera, {look: camera.look.slice()});
  bound_state(fitted);
  opening = {...camera, span: state.span, look: state.look.slice()};
  if (frame_count > 1) {
    document.getElementById("trajectory").hidden = false;
    document.getElementById("slider").max = frame_count;
  }
  if (webgl_works()) {
    drawn.renderer = new THREE.WebGLRenderer({canvas, antialias: true,
                                              preserveDrawingBuffer: true});
    drawn.renderer.gammaOutput = true;
    drawn.renderer.gammaFactor = 2.2;
    Object.assign(drawn, build_scene());
  } else {
    note.textContent = TEXTS.no_webgl;
    note.hidden = false;
    canvas.hidden = true;
  }
  size_canvas();
  wire();
  show_frame(fragment.frame === null ? 0 : fragment.frame);
  // Tests and the bench read the page's timings here.
  window.rodscene = {state, drawn, fit, show_frame, load_frame, set_view,
                     command_text, view_axes, all_frames,
                     settled: () => !drawn.pending && command_timer === null};
}

start();
