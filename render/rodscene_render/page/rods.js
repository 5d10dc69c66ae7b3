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
// A text longer than the browser's longest string reads as empty: a page
// whose rods did not all arrive shows none, and says so (TEXTS.no_rods).
const rods_whole = words.length ===
  ROD_WORDS * META.counts.reduce((a, n) => a + n, 0);
if (!rods_whole) META.counts = META.counts.map(() => 0);
const first = [0];
for (const n of META.counts) first.push(first[first.length - 1] + n);
// The most rods a frame draws: those outside the command's --box are not.
const most_drawn = META.counts.reduce((a, n, k) => Math.max(
  a, n - (META.outside ? META.outside[k].length : 0)), 0);

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


// Rod i of frame k's first word: its centre's x, y and z levels follow.
const rod_word = (k, i) => (first[k] + i) * ROD_WORDS;

// Each rod's colour as the pictures give it (by orientation or local
// order), three sRGB bytes in the rods' order.
const colour_bytes = META.colours ? decode_base64(META.colours) : null;
// Whether each rod is drawn faint (--highlight), a bit a rod in the rods'
// order, the highest bit of a byte first.
const faint_bits = META.faint ? decode_base64(META.faint) : null;
const is_faint = (k, i) => {
  const j = first[k] + i;
  return !!faint_bits && ((faint_bits[j >> 3] >> (7 - (j & 7))) & 1) === 1;
};

// Each rod's line in its input: a frame's lines are zigzag varints of their
// differences from META.line_starts[k] on, decoded when a rod is picked.
let line_bytes = null;

function frame_lines(k) {
  const start = META.line_starts[k];
  if (start === null) return null;
  line_bytes = line_bytes || decode_base64(META.lines);
  const lines = new Array(META.counts[k]);
  let at = start, line = 0;
  for (let i = 0; i < lines.length; i++) {
    let z = 0, scale = 1, byte;
    do {
      byte = line_bytes[at++];
      z += (byte & 127) * scale;
      scale *= 128;
    } while (byte & 128);
    line += z % 2 ? -(z + 1) / 2 : z / 2;
    lines[i] = line;
  }
  return lines;
}
