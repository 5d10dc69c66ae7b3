// ----- the layers, the z slab and the box -----

// What the page leaves out: either layer (teal, z > 0, and blue, z <= 0)
// and the rods whose centre lies below low or above high (null: no
// bound), besides those outside the command's --box (META.outside).
const cut = {teal: true, blue: true, low: null, high: null};

// Frame k's test of its rod i, as the picture of the page's command draws
// it. The slab is tested on the level the page holds of the centre's z,
// so that the command can put its bound between levels (z_bound).
function frame_filter(k) {
  const t = META.tables[k], teals = META.teal[k];
  const outside = new Set(META.outside ? META.outside[k] : []);
  const low = cut.low === null ? -Infinity
    : Math.ceil((cut.low - t[2]) / t[3]);
  const high = cut.high === null ? Infinity
    : Math.floor((cut.high - t[2]) / t[3]);
  const kept = (i) => {
    if (!(i < teals ? cut.teal : cut.blue) || outside.has(i)) return false;
    const q = words[rod_word(k, i) + 2];
    return q >= low && q <= high;
  };
  // Whether it keeps every rod, and need not be asked.
  kept.all = cut.teal && cut.blue && outside.size === 0 &&
    low === -Infinity && high === Infinity;
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

// A slab's bound as the command gives it: a z that keeps on its side each
// rod of frame k that the page keeps there, wherever its exact centre lies
// within half a level of the page's; upper for the bound above.
function z_bound(k, value, upper) {
  const t = META.tables[k];
  const at = (q) => t[2] + t[3] * q;
  // The highest level below the bound, as frame_filter keeps levels.
  const x = (value - t[2]) / t[3];
  const top = upper ? Math.floor(x) : Math.ceil(x) - 1;
  let below = -Infinity, above = Infinity;  // the levels either side
  for (let i = 0; i < META.counts[k]; i++) {
    const q = words[rod_word(k, i) + 2];
    if (q <= top) below = Math.max(below, q);
    else above = Math.min(above, q);
  }
  // The box's faces count as inside: a bound above may touch the highest
  // rod kept, one below the lowest.
  const lo = at(below + 0.5), hi = at(above - 0.5);
  if (!(lo < hi)) return upper ? lo : hi;
  return tidy(value, upper ? (v) => v >= lo && v < hi
                           : (v) => v > lo && v <= hi, lo, hi);
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
// the film): the one given, cut in z to the slab and the layers shown; its
// x and y are the given box's or the rods' extent. Null without a box.
function command_box(k) {
  const given = META.box, frames = k === null ? all_frames : [k];
  const z = [given ? given[2] : null, given ? given[5] : null];
  const bound = (v, upper) => {
    if (v === null) return;
    const a = upper ? 1 : 0, pick = upper ? Math.min : Math.max;
    z[a] = z[a] === null ? v : pick(z[a], v);
  };
  bound(cut.low === null ? null : z_bound(state.frame, cut.low, false), 0);
  bound(cut.high === null ? null : z_bound(state.frame, cut.high, true), 1);
  if (!cut.blue) bound(layer_bound(frames, false), 0);
  if (!cut.teal) bound(layer_bound(frames, true), 1);
  const sliced = cut.low !== null || cut.high !== null || !cut.teal ||
    !cut.blue;
  if (!sliced) return given;
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

// The toggles and the slab's fields as the cut; the toggles only where
// some frame has blue rods.
function cut_changed() {
  const value = (id) => {
    const text = document.getElementById(id).value.trim();
    return text === "" || !Number.isFinite(Number(text)) ? null
                                                          : Number(text);
  };
  Object.assign(cut, {teal: document.getElementById("show-teal").checked,
                      blue: document.getElementById("show-blue").checked,
                      low: value("z-low"), high: value("z-high")});
  bounds = null;
  if (drawn.renderer) load_frame(state.frame);
  changed();
}

// A linear colour as CSS, encoded as the renderer encodes it.
const css_colour = (rgb) => `rgb(${rgb.map((c) => Math.round(255 * (
  c <= 0.0031308 ? 12.92 * c : 1.055 * c ** (1 / 2.4) - 0.055))).join()})`;

// The toggles and the slab only where a --box leaves the colours as they
// are (META.cuts).
function wire_layers() {
  document.getElementById("layers").hidden = !META.cuts ||
    !META.counts.some((n, k) => n > META.teal[k]);
  document.getElementById("slab").hidden = !META.cuts;
  for (const name of ["teal", "blue"]) {
    document.getElementById(`swatch-${name}`).style.background =
      css_colour(COLOURS[name]);
  }
  for (const id of ["show-teal", "show-blue", "z-low", "z-high"]) {
    document.getElementById(id).addEventListener("change", cut_changed);
  }
  document.getElementById("z-low").placeholder = side(2, false);
  document.getElementById("z-high").placeholder = side(2, true);
}
