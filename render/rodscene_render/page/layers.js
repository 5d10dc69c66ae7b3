// ----- the layers and the box -----

// What the page leaves out: either layer (teal, z > 0, and blue, z <= 0)
// and the rods outside the slab (slab.js), besides those outside the
// command's --box or beyond its --clip (META.outside).
const cut = {teal: true, blue: true};

// Frame k's test of its rod i, as the picture of the page's command draws
// it.
function frame_filter(k) {
  const teals = META.teal[k];
  const outside = new Set(META.outside ? META.outside[k] : []);
  const in_slab = slab_test(k);
  const kept = (i) => (i < teals ? cut.teal : cut.blue) &&
    !outside.has(i) && (!in_slab || in_slab(i));
  // Whether it keeps every rod, and need not be asked.
  kept.all = cut.teal && cut.blue && outside.size === 0 && !in_slab;
  return kept;
}

// The shortest decimal that ok takes, near value; else value.
function tidy(value, ok, lo, hi) {
  const near = Math.min(Math.max(value, lo), hi);
  for (let d = 0; d <= 12; d++) {
    const s = 10 ** d;
    for (const c of [near, Math.ceil(lo * s) / s, Math.floor(hi * s) / s]) {
      const v = Number(c.toFixed(d));
      if (Number.isFinite(v) && ok(v)) return v;
    }
  }
  return near;
}

const extreme = (values, frames, pick) => {
  const known = frames.map((k) => values[k]).filter((v) => v !== null);
  return known.length ? pick(...known) : null;
};

// A bound between the layers of the frames, whose blue centres lie at or
// below lo and teal ones at or above hi: one below keeps the teal rods
// alone, one above (upper) the blue.
function layer_bound(frames, upper) {
  const lo = extreme(META.blue_ceiling, frames, Math.max) ?? -Infinity;
  const hi = extreme(META.teal_floor, frames, Math.min) ?? Infinity;
  if (lo === -Infinity && hi === Infinity) return null;
  const near = Number.isFinite(lo) && Number.isFinite(hi) ? (lo + hi) / 2
    : Number.isFinite(hi) ? hi : lo;
  return tidy(near, upper ? (v) => v >= lo && v < hi
                          : (v) => v > lo && v <= hi, lo, hi);
}

// The lowest and highest coordinates of every frame's glyphs, found once.
let extent = null;
function rods_extent() {
  if (extent) return extent;
  const low = [Infinity, Infinity, Infinity];
  const high = [-Infinity, -Infinity, -Infinity];
  const p = new Float64Array(9);
  for (const k of all_frames) {
    for (let i = 0; i < META.counts[k]; i++) {
      rod_points(k, i, p);
      for (let j = 0; j < 9; j++) {
        const a = j % 3;
        if (p[j] < low[a]) low[a] = p[j];
        if (p[j] > high[a]) high[a] = p[j];
      }
    }
  }
  extent = low[0] <= high[0] ? [low, high] : [[0, 0, 0], [0, 0, 0]];
  return extent;
}

// The side of the rods' extent (a = 0, 1, 2) widened by the rods' radius,
// rounded outward.
function side(a, upper) {
  const s = 10 ** BOX_DIGITS, [low, high] = rods_extent();
  return upper ? Math.ceil((high[a] + META.pad) * s) / s
               : Math.floor((low[a] - META.pad) * s) / s;
}

// The command's --box, X0 Y0 Z0 X1 Y1 Z1, for frame k's picture (null:
// the film): the one given, cut in z to the layers shown and to a z slab
// it cuts (slab_mode); its x and y are the given box's or the rods'
// extent. Null without a box.
function command_box(k) {
  const given = META.box, frames = k === null ? all_frames : [k];
  const z = [given ? given[2] : null, given ? given[5] : null];
  const bound = (v, upper) => {
    if (v === null) return;
    const a = upper ? 1 : 0, pick = upper ? Math.min : Math.max;
    z[a] = z[a] === null ? v : pick(z[a], v);
  };
  const in_z = slab_mode() === "box";
  if (in_z && slab.low !== null) {
    bound(slab_bound(state.frame, slab.low, false), 0);
  }
  if (in_z && slab.high !== null) {
    bound(slab_bound(state.frame, slab.high, true), 1);
  }
  if (!cut.blue) bound(layer_bound(frames, false), 0);
  if (!cut.teal) bound(layer_bound(frames, true), 1);
  if (!in_z && cut.teal && cut.blue) return given;
  const low = [0, 1].map((a) => given ? given[a] : side(a, false));
  const high = [0, 1].map((a) => given ? given[3 + a] : side(a, true));
  return [...low, z[0] === null ? side(2, false) : z[0],
          ...high, z[1] === null ? side(2, true) : z[1]];
}

function box_corners(box) {
  return [...Array(8).keys()].map((i) => [0, 1, 2].map(
    (a) => box[(i >> a) & 1 ? 3 + a : a]));
}

const box_words = (k) => {
  const box = command_box(k);
  return box ? ` --box ${box.map(String).join(" ")}` : "";
};

// The boxes' twelve edges: of the command of the frame on screen, and
// the frame's periodic box.
function place_box() {
  edges(drawn.meshes.box, command_box(state.frame));
  edges(drawn.meshes.system_box, (META.system_boxes || [])[state.frame]);
}

function edges(mesh, box) {
  mesh.visible = Boolean(box);
  if (!box) return;
  const c = box_corners(box);
  let j = 0;
  for (let i = 0; i < 8; i++) {
    for (let a = 0; a < 3; a++) {
      const other = i | (1 << a);
      if (other !== i) {
        rod_matrix(mesh.instanceMatrix.array, j++, [...c[i], ...c[other]]);
      }
    }
  }
  mesh.instanceMatrix.needsUpdate = true;
}

// The toggles as the cut, and the view and command anew after any cut.
function cut_changed() {
  Object.assign(cut, {teal: document.getElementById("show-teal").checked,
                      blue: document.getElementById("show-blue").checked});
  bounds = null;
  if (drawn.renderer) load_frame(state.frame);
  if (picked.rod !== null && !frame_filter(state.frame)(picked.rod)) {
    show_rod(null);  // the picked rod is cut away
  }
  changed();
}

// A linear colour as CSS, encoded as the renderer encodes it.
const css_colour = (rgb) => `rgb(${rgb.map((c) => Math.round(255 * (
  c <= 0.0031308 ? 12.92 * c : 1.055 * c ** (1 / 2.4) - 0.055))).join()})`;

// The toggles only where a --box leaves the colours as they are
// (META.cuts) and some frame has blue rods.
function wire_layers() {
  document.getElementById("layers").hidden = !META.cuts ||
    !META.counts.some((n, k) => n > META.teal[k]);
  for (const name of ["teal", "blue"]) {
    document.getElementById(`swatch-${name}`).style.background =
      css_colour(COLOURS[name]);
  }
  for (const id of ["show-teal", "show-blue"]) {
    document.getElementById(id).addEventListener("change", cut_changed);
  }
  wire_slab();
}
