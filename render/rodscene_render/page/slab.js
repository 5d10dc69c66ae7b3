// ----- the slab: the rods whose centre lies between two planes -----

// The slab keeps the rods whose centre c has low <= n . c <= high, n the
// unit normal of its axis (null bounds: none). It starts as the command's
// --slab (META.slab), which it keeps exactly, on the rods' own centres,
// until the control changes; any other slab is tested on the centres as
// the page holds them, and the command's bounds are put between those
// (slab_bound). In z, where a --box leaves the colours as they are
// (META.cuts), the command cuts it with its --box; else with a --slab,
// which keeps local order's neighbourhoods.
const slab = {axis: "z", low: null, high: null, given: false};
const DIRECTOR_DIGITS = 4;  // decimals of the director's --slab normal

// The words of a normal in the command, and the unit normal the page
// tests with: that of the words, as the command reads them.
function axis_normal(words) {
  const n = words.map(Number), size = Math.sqrt(dot(n, n));
  return {words: words.join(" "), normal: n.map((v) => v / size)};
}

const SLAB_AXES = {x: axis_normal(["1", "0", "0"]),
                   y: axis_normal(["0", "1", "0"]),
                   z: axis_normal(["0", "0", "1"]),
                   director: axis_normal(META.director.map(
                     (v) => fixed(v, DIRECTOR_DIGITS)))};
if (META.slab) SLAB_AXES.given = axis_normal(META.slab.normal.map(String));

const normal_of = () => SLAB_AXES[slab.axis].normal;
const slab_on = () => slab.low !== null || slab.high !== null;
// How the command cuts the slab: "given" (its own --slab), "box", "slab".
const slab_mode = () => (!slab_on() ? null : slab.given ? "given"
  : META.cuts && slab.axis === "z" ? "box" : "slab");

// n . c of rod i of frame k, c its centre as the page holds it.
function along(k, i, n) {
  const t = META.tables[k], w = rod_word(k, i);
  return n[0] * (t[0] + t[3] * words[w]) + n[1] * (t[1] + t[3] * words[w + 1])
    + n[2] * (t[2] + t[3] * words[w + 2]);
}

// Frame k's test of the slab (null: it keeps every rod).
function slab_test(k) {
  if (!slab_on()) return null;
  if (slab.given) {
    const out = new Set(META.slab.outside[k]);
    return (i) => !out.has(i);
  }
  const n = normal_of();
  const low = slab.low ?? -Infinity, high = slab.high ?? Infinity;
  return (i) => {
    const v = along(k, i, n);
    return v >= low && v <= high;
  };
}

// A bound of the command's slab near value: one that keeps on its side
// each rod of frame k that the page keeps there, wherever its exact
// centre lies within half a level of the page's in each coordinate;
// upper for the bound above. Rods closer than that either side of it
// leave the middle between them.
function slab_bound(k, value, upper) {
  const n = normal_of(), t = META.tables[k];
  const reach = t[3] / 2 * (Math.abs(n[0]) + Math.abs(n[1]) +
                            Math.abs(n[2]));
  let below = -Infinity, above = Infinity;  // the rods' values either side
  for (let i = 0; i < META.counts[k]; i++) {
    const v = along(k, i, n);
    if (upper ? v <= value : v < value) below = Math.max(below, v);
    else above = Math.min(above, v);
  }
  const lo = below + reach, hi = above - reach;
  if (!(lo < hi)) {
    return Number.isFinite(below + above) ? (below + above) / 2 : value;
  }
  return tidy(value, upper ? (v) => v >= lo && v < hi
                           : (v) => v > lo && v <= hi, lo, hi);
}

// The lowest and highest n . c of every frame's rods, a unit further
// and rounded outward: the slab's open ends, found once an axis.
const slab_extents = {};
function slab_extent() {
  if (!slab_extents[slab.axis]) slab_extents[slab.axis] = axis_extent();
  return slab_extents[slab.axis];
}

function axis_extent() {
  const n = normal_of(), s = 10 ** BOX_DIGITS;
  let low = Infinity, high = -Infinity;
  for (const k of all_frames) {
    for (let i = 0; i < META.counts[k]; i++) {
      const v = along(k, i, n);
      low = Math.min(low, v);
      high = Math.max(high, v);
    }
  }
  if (!(low <= high)) low = high = 0;
  return [Math.floor((low - 1) * s) / s, Math.ceil((high + 1) * s) / s];
}

// The command's --slab, for frame k's picture or the film (k null; its
// bounds are those of the frame on screen).
function slab_words() {
  const mode = slab_mode();
  if (mode === "given") {
    const g = META.slab;
    return ` --slab ${SLAB_AXES.given.words} ${g.low} ${g.high}`;
  }
  if (mode !== "slab") return "";
  const [open_low, open_high] = slab_extent();
  const low = slab.low === null ? open_low
    : slab_bound(state.frame, slab.low, false);
  const high = slab.high === null ? open_high
    : slab_bound(state.frame, slab.high, true);
  return ` --slab ${SLAB_AXES[slab.axis].words} ${low} ${high}`;
}

// The command's words that leave out what the page leaves out.
const cut_words = (k) => `${box_words(k)}${slab_words()}`;

// The control as the slab; any change leaves the command's own --slab.
function slab_changed() {
  const value = (id) => {
    const text = document.getElementById(id).value.trim();
    return text === "" || !Number.isFinite(Number(text)) ? null
                                                          : Number(text);
  };
  Object.assign(slab, {axis: document.getElementById("slab-axis").value,
                       low: value("slab-low"), high: value("slab-high"),
                       given: false});
  slab_placeholders();
  cut_changed();
}

function slab_placeholders() {
  const [low, high] = slab_extent();
  document.getElementById("slab-low").placeholder = low;
  document.getElementById("slab-high").placeholder = high;
}

// The axis list, the command's --slab in the control, and the control
// wired; a changed axis lets go of its list, so that keys reach the view.
function wire_slab() {
  const list = document.getElementById("slab-axis");
  const given = META.slab && Object.keys(SLAB_AXES).find(
    (name) => name !== "given" &&
      SLAB_AXES[name].normal.every((v, a) => v === META.slab.normal[a]));
  if (META.slab && !given) {
    const option = document.createElement("option");
    option.value = "given";
    option.textContent = `(${SLAB_AXES.given.normal.map(
      (v) => fixed(v, 3)).join(", ")})`;
    list.append(option);
  }
  if (META.slab) {
    Object.assign(slab, {axis: given || "given", low: META.slab.low,
                         high: META.slab.high, given: true});
    document.getElementById("slab-low").value = slab.low;
    document.getElementById("slab-high").value = slab.high;
  }
  list.value = slab.axis;
  for (const id of ["slab-axis", "slab-low", "slab-high"]) {
    document.getElementById(id).addEventListener("change", slab_changed);
  }
  list.addEventListener("change", () => list.blur());
  slab_placeholders();
}
