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
// (the site's place) and its direction as the input gives them.
function show_rod(i) {
  const info = document.getElementById("info");
  info.hidden = i === null;
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
}

const pick = (x, y) => show_rod(drawn.renderer ? rod_under(x, y) : null);
