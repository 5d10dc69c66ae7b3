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
// frames listed, and the corners of their command's box (the film's for
// several), as the pictures fit them.
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
  const box = command_box(frames.length === 1 ? frames[0] : null);
  for (const c of box ? box_corners(box) : []) {
    visit(c[0], c[1], c[2]);
    any = true;
  }
  if (!any) visit(0, 0, 0);
}

// The picture the command renders: the canvas's shape, at about as many
// pixels as the page's own picture size; even sides, as films need.
function picture_size([w, h] = drawn.size) {
  const area = META.width * META.height, aspect = w / h;
  const side = (v) => clamp(2 * Math.round(v / 2), ...META.sizes);
  return [side(Math.sqrt(area * aspect)), side(Math.sqrt(area / aspect))];
}

// The framing's margins (across, upward) for rows and for columns of a
// picture of width x height pixels, as layout.margins gives them.
function layout_margins([width, height]) {
  const l = META.layout;
  const room = l.max_free * Math.min(height / l.rows, width / l.columns);
  const scale = Math.min(Math.max(Math.min(width, height) / l.base,
                                  l.min_unit), room);
  const margin = (size, units) => {
    const free = units * scale / size;
    return Math.max(free / (1 - 2 * free), l.margin);
  };
  return [[l.margin, margin(height, l.rows)],
          [margin(width, l.columns), l.margin]];
}

// The look point and span (the width shown at the look point) of the
// camera that frames the frames' points from (azimuth, elevation) in a
// picture of size pixels, as camera.fit_camera computes them at zoom 1:
// for each band of the overlays' room (its margins across and upward) a
// fit, and the one that shows the rods largest.
function fit(frames, azimuth, elevation, projection, size = picture_size()) {
  if (frames !== all_frames) {
    return fit_points(frames, azimuth, elevation, projection, size);
  }
  // Every frame's fits are kept, a few, for the same box: the start, the
  // command and a resized window's refit ask for the same ones, and each
  // visits every rod of every frame.
  const key = JSON.stringify([azimuth, elevation, projection, size,
                              command_box(null)]);
  if (!whole_fits.has(key)) {
    if (whole_fits.size >= KEPT_FITS) whole_fits.clear();
    whole_fits.set(key, fit_points(frames, azimuth, elevation, projection,
                                   size));
  }
  return whole_fits.get(key);
}

const whole_fits = new Map();
const KEPT_FITS = 8;

function fit_points(frames, azimuth, elevation, projection, size) {
  const [f, u, r] = view_axes(azimuth, elevation);
  const aspect = size[1] / size[0];
  const tan = Math.tan(radians(META.field / 2));
  const margins = layout_margins(size);
  const slopes = margins.map(
    ([mx, my]) => [tan / (1 + 2 * mx), tan * aspect / (1 + 2 * my)]);
  const m = {a0: Infinity, a1: -Infinity, u0: Infinity, u1: -Infinity,
             d0: Infinity, d1: -Infinity,
             rays: slopes.map(() => [-Infinity, -Infinity, -Infinity,
                                     -Infinity])};
  each_point(frames, (x, y, z) => {
    const a = x * r[0] + y * r[1] + z * r[2];
    const b = x * u[0] + y * u[1] + z * u[2];
    const d = x * f[0] + y * f[1] + z * f[2];
    m.a0 = Math.min(m.a0, a);
    m.a1 = Math.max(m.a1, a);
    m.u0 = Math.min(m.u0, b);
    m.u1 = Math.max(m.u1, b);
    m.d0 = Math.min(m.d0, d);
    m.d1 = Math.max(m.d1, d);
    slopes.forEach(([tx, ty], i) => {
      const ray = m.rays[i];
      ray[0] = Math.max(ray[0], a - tx * d);
      ray[1] = Math.max(ray[1], -a - tx * d);
      ray[2] = Math.max(ray[2], b - ty * d);
      ray[3] = Math.max(ray[3], -b - ty * d);
    });
  });
  const fits = margins.map((band, i) =>
    band_fit(m, [f, u, r], aspect, band, slopes[i], m.rays[i], projection));
  return fits.reduce((best, one) => (one.span < best.span ? one : best));
}

function band_fit(m, [f, u, r], aspect, [mx, my], [tx, ty], rays,
                  projection) {
  const middle = (m.d0 + m.d1) / 2;
  const pad = META.pad;
  if (projection === "orthographic") {
    const wide = m.a1 - m.a0 + 2 * pad, high = m.u1 - m.u0 + 2 * pad;
    return {look: mix([[(m.a0 + m.a1) / 2, r], [(m.u0 + m.u1) / 2, u],
                       [middle, f]]),
            span: Math.max(wide * (1 + 2 * mx), high / aspect * (1 + 2 * my))};
  }
  const side = (p, q, t) => [(p - q) / 2, -(p + q + 2 * pad) / (2 * t)];
  const [cx, dx] = side(rays[0], rays[1], tx);
  const [cy, dy] = side(rays[2], rays[3], ty);
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
  const fitted = fit(all_frames, azimuth, elevation, projection);
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

// A named view: its direction and projection, framed for the window.
function set_view(name) {
  if (!own(META.views, name)) return;
  const v = META.views[name];
  const fitted = fit(all_frames, v.azimuth, v.elevation, v.projection);
  Object.assign(state, {azimuth: v.azimuth, elevation: v.elevation,
                        projection: v.projection, span: fitted.span,
                        look: fitted.look.slice()});
  changed();
}

// The window's picture changed shape from size old: the view keeps its
// zoom against the fit of every frame, as the command gives it.
function refit(old) {
  const before = fit_state(all_frames, old).span;
  const after = fit_state(all_frames).span;
  state.span *= after / before;
  if (opening) opening.span *= after / before;
  bound_state(after);
}

