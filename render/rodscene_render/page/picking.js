// ----- what a click or tap on a rod tells -----

// The ray through a point of the canvas (client pixels), as the camera of
// place_camera casts it: a unit direction, and an origin along it from
// which the rods in front of the camera lie at t > 0 (orthographic: at any
// t, the camera standing behind them all).
function ray_at(x, y) {
  const rect = canvas.getBoundingClientRect();
  const sx = 2 * (x - rect.left) / rect.width - 1;
  const sy = 1 - 2 * (y - rect.top) / rect.height;
  const [f, u, r] = view_axes(state.azimuth, state.elevation);
  const aspect = canvas.height / canvas.width;
  if (state.projection === "orthographic") {
    const half = state.span / 2;
    return {origin: mix([[1, state.look], [sx * half, r],
                         [sy * half * aspect, u]]),
            direction: f, any: true};
  }
  const half = Math.tan(radians(META.field / 2));
  const d = mix([[1, f], [sx * half, r], [sy * half * aspect, u]]);
  const n = Math.sqrt(dot(d, d));
  return {origin: mix([[1, state.look], [-state.span / (2 * half), f]]),
          direction: d.map((v) => v / n), any: false};
}

// Where the ray passes closest to the axis of the rod from tail p[0..2] to
// head p[3..5]: its distance t along the ray and its gap from the axis.
function ray_meets(ray, p) {
  const axis = [p[3] - p[0], p[4] - p[1], p[5] - p[2]];
  const w = [0, 1, 2].map((a) => ray.origin[a] - p[a]);
  const aa = dot(axis, axis), ad = dot(axis, ray.direction);
  const den = aa - ad * ad;
  const s = den > 1e-12 * aa
    ? clamp((dot(axis, w) - ad * dot(ray.direction, w)) / den, 0, 1) : 0.5;
  const point = [0, 1, 2].map((a) => p[a] + s * axis[a]);
  const t = dot(mix([[1, point], [-1, ray.origin]]), ray.direction);
  const off = mix([[1, ray.origin], [t, ray.direction], [-1, point]]);
  return {t, gap: Math.sqrt(dot(off, off))};
}

// The nearest rod drawn under a point of the canvas, or null.
function rod_under(x, y) {
  const k = state.frame, kept = frame_filter(k), ray = ray_at(x, y);
  const p = new Float64Array(9);
  let best = null;
  for (let i = 0; i < META.counts[k]; i++) {
    if (!kept(i)) continue;
    rod_points(k, i, p);
    const m = ray_meets(ray, p);
    if (m.gap > ROD_RADIUS || (!ray.any && m.t <= 0)) continue;
    const depth = m.t - Math.sqrt(ROD_RADIUS ** 2 - m.gap ** 2);
    if (best === null || depth < best.depth) best = {i, depth};
  }
  return best && best.i;
}

// Numbers to the decimals that their quantisation's step leaves true.
function numbers_text(values, step) {
  const d = clamp(Math.floor(-Math.log10(step)), 0, 6);
  const text = (v) => (Number(v.toFixed(d)) === 0 ? 0 : v).toFixed(d);
  return `(${values.map(text).join(", ")})`;
}

// Rod i of the frame on screen, or none: its file and line, its centre
// (the site's place) and its direction as the input gives them; the rod
// is outlined, and its facts placed clear of it.
function show_rod(i) {
  const info = document.getElementById("info");
  info.hidden = i === null;
  picked.rod = i;
  draw_mark();
  if (i === null) return;
  const k = state.frame, t = META.tables[k], w = rod_word(k, i);
  const lines = frame_lines(k);
  const centre = [0, 1, 2].map((a) => t[a] + t[3] * words[w + a]);
  const direction = [0, 1, 2].map(
    (a) => (t[4 + a] + t[7] * words[w + 3 + a]) / ROD_HALF);
  const where = lines ? `line ${lines[i]} (${TEXTS.line[META.kinds[k]]})`
                      : TEXTS.no_line;
  document.getElementById("info-text").textContent =
    `${META.files[k]}, ${where}\n` +
    `${TEXTS.centre} ${numbers_text(centre, t[3])}\n` +
    `${TEXTS.direction} ${numbers_text(direction, t[7] / ROD_HALF)}`;
  place_info();
}

const pick = (x, y) => show_rod(drawn.renderer ? rod_under(x, y) : null);

// ----- the picked rod: outlined, and its facts clear of it -----

const picked = {rod: null};
const MARK_COLOUR = "#e8178a";  // a magenta no colour map or layer takes
const MARK_WIDTH = 3;  // CSS pixels of the outline
const MARK_GAP = 6;  // CSS pixels between the outline or facts and the rod

// A point of the scene in the stage's CSS pixels, as the camera draws it.
function on_screen(p) {
  const v = new THREE.Vector3(...p).project(drawn.camera);
  const [w, h] = drawn.size;
  return [(v.x + 1) / 2 * w, (1 - v.y) / 2 * h];
}

// The picked rod's axis on screen, its ends (tail, head) and its radius
// there in CSS pixels; null with none.
function picked_outline() {
  if (picked.rod === null || !drawn.renderer) return null;
  const p = new Float64Array(9);
  rod_points(state.frame, picked.rod, p);
  const tail = on_screen(p.slice(0, 3)), head = on_screen(p.slice(3, 6));
  const centre = mix([[0.5, p.slice(0, 3)], [0.5, p.slice(3, 6)]]);
  const [, , right] = view_axes(state.azimuth, state.elevation);
  const mid = on_screen(centre);
  const edge = on_screen(mix([[1, centre], [ROD_RADIUS, right]]));
  return {tail, head, radius: Math.hypot(edge[0] - mid[0],
                                          edge[1] - mid[1])};
}

// A ring around the picked rod, drawn over the scene so that it shows
// where rods in front hide the rod.
function draw_mark() {
  const g = mark.getContext("2d");
  const ratio = mark.width / Math.max(1, drawn.size[0]);
  g.setTransform(1, 0, 0, 1, 0, 0);
  g.clearRect(0, 0, mark.width, mark.height);
  const o = picked_outline();
  if (!o) return;
  g.setTransform(ratio, 0, 0, ratio, 0, 0);
  g.lineCap = "round";
  const stroke = (width, colour) => {
    g.lineWidth = width;
    g.strokeStyle = colour;
    g.beginPath();
    g.moveTo(...o.tail);
    g.lineTo(...o.head);
    g.stroke();
  };
  stroke(2 * (o.radius + MARK_GAP / 2 + MARK_WIDTH), MARK_COLOUR);
  g.globalCompositeOperation = "destination-out";
  stroke(2 * (o.radius + MARK_GAP / 2), "#000");
  g.globalCompositeOperation = "source-over";
}

// Whether rectangles [left, top, right, bottom] overlap.
const overlap = (a, b) => a[0] < b[2] && b[0] < a[2] && a[1] < b[3] &&
  b[1] < a[3];

// The facts' panel in the first corner clear of the picked rod, the
// lower right first (the key holds the upper right, the label the upper
// left and the triad the lower left); else beside the rod, on the side
// with more room.
function place_info() {
  const info = document.getElementById("info");
  const o = picked_outline();
  if (info.hidden || !o) return;
  const [w, h] = drawn.size, iw = info.offsetWidth, ih = info.offsetHeight;
  const reach = o.radius + MARK_GAP + MARK_WIDTH;
  const rod = [Math.min(o.tail[0], o.head[0]) - reach,
               Math.min(o.tail[1], o.head[1]) - reach,
               Math.max(o.tail[0], o.head[0]) + reach,
               Math.max(o.tail[1], o.head[1]) + reach];
  const edge = 8, top = (id) => {
    const e = document.getElementById(id);
    return e.hidden ? edge : e.offsetTop + e.offsetHeight + edge;
  };
  const corners = [[w - edge - iw, h - edge - ih],
                   [edge, h - TRIAD_SIZE - ih],
                   [edge, top("label")], [w - edge - iw, top("key")]];
  const middle = (rod[1] + rod[3] - ih) / 2;
  const beside = rod[0] > w - rod[2] ? [rod[0] - iw, middle]
                                     : [rod[2], middle];
  const fits = ([x, y]) => !overlap(rod, [x, y, x + iw, y + ih]);
  let [x, y] = corners.find(fits) || beside;
  x = clamp(x, 0, Math.max(0, w - iw));
  y = clamp(y, 0, Math.max(0, h - ih));
  Object.assign(info.style, {left: `${x}px`, top: `${y}px`});
}
