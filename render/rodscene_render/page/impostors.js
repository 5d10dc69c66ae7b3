// ----- many rods: a quad each, turned to the camera, shaded as a rod -----

// A frame of more rods than MESH_RODS draws each as two triangles that
// cover its outline, where the detailed mesh has hundreds; software WebGL
// (a browser without a GPU) then turns 1e5 rods by hand.
const many_rods = most_drawn > MESH_RODS || ROUND_ENDS;

// In view space: the rod's centre c and half axis h; e towards the
// camera. The quad spans the rod's ends and, past each, the reach of its
// end's outline: its radius for a round end, else the ellipse a flat end
// shows, r |cos| of the angle between the axis and e. A rod seen end on
// still spans a square of its radius across.
const IMPOSTOR_VERTEX = `
attribute vec2 corner;
attribute vec3 axis;
attribute vec4 colour;
uniform float radius;
uniform float round_ends;
uniform float point;
uniform vec4 point_colour;
varying vec4 tint;
varying vec3 across, along, toward, out_end;
varying vec2 at;
varying float body, reach, facing;
void main() {
  vec3 c = (modelViewMatrix * vec4(position, 1.0)).xyz;
  vec3 h = point > 0.5 ? vec3(0.0) : mat3(modelViewMatrix) * axis;
  vec3 e = projectionMatrix[3][3] == 1.0 ? vec3(0.0, 0.0, 1.0)
                                         : normalize(-c);
  vec3 a = h - dot(h, e) * e;
  float la = length(a), lh = length(h);
  vec3 d = la > 1e-6 * (lh + radius) ? a / la : normalize(cross(e,
    abs(e.x) < 0.9 ? vec3(1.0, 0.0, 0.0) : vec3(0.0, 1.0, 0.0)));
  vec3 u = lh > 0.0 ? h / lh : e;
  facing = dot(h, e) >= 0.0 ? 1.0 : -1.0;
  reach = round_ends > 0.5 ? radius : radius * abs(dot(u, e));
  body = la;
  at = vec2(corner.x * (la + reach), corner.y);
  tint = point > 0.5 ? point_colour : colour;
  across = cross(e, d);
  along = d;
  toward = e;
  out_end = u * facing;
  vec3 p = c + corner.x * (h + reach * d) + corner.y * radius * across;
  gl_Position = projectionMatrix * vec4(p, 1.0);
}`;

// The outline: the body between the axis' ends, and past each end an
// ellipse (a flat end) or a half disc (a round one); the flat end that
// faces the camera is lit as a face, the rest as a cylinder or sphere.
// The scene's light: ambient 0.12, a key light of 0.8 and a fill light of
// 0.36 from about the camera, or for rods coloured by a value the even
// light of FLAT_LIGHT; encoded as the renderer encodes (gamma 2.2).
const IMPOSTOR_FRAGMENT = `
uniform float round_ends;
uniform vec2 flat_light;
uniform float faint;
uniform vec3 background;
varying vec4 tint;
varying vec3 across, along, toward, out_end;
varying vec2 at;
varying float body, reach, facing;
void main() {
  float v = at.y;
  float over = abs(at.x) - body;
  float q = over / max(reach, 1e-6);
  float r2 = q * q + v * v;
  vec3 side = toward - dot(toward, out_end) * out_end;
  vec3 n = v * across + sqrt(max(1.0 - v * v, 0.0)) *
    (dot(side, side) > 1e-8 ? normalize(side) : toward);
  if (round_ends > 0.5) {
    if (over > 0.0) {
      if (r2 > 1.0) discard;
      n = sign(at.x) * q * along + v * across + sqrt(1.0 - r2) * toward;
    }
  } else if (at.x * facing > 0.0 && r2 < 1.0) {
    n = out_end;
  } else if (over > 0.0 && r2 > 1.0) {
    discard;
  }
  n = normalize(n);
  float light = flat_light.x > 0.0
    ? flat_light.x + flat_light.y * max(n.z, 0.0)
    : 0.12 + 0.8 * max(dot(n, normalize(vec3(-0.3, 0.45, 1.0))), 0.0) +
      0.36 * max(dot(n, normalize(vec3(0.4, 0.15, 1.0))), 0.0);
  vec3 c = faint > 0.0 ? mix(background, min(tint.rgb, 1.0), faint)
    : clamp(tint.rgb * (light + tint.a), 0.0, 1.0);
  gl_FragColor = vec4(pow(c, vec3(1.0 / 2.2)), 1.0);
}`;

// Round ends where the page's rods have them (ROUND_ENDS), else flat as
// the converters' cylinders; the caps are round.

// A rod is four vertices, each with its centre (position), half axis,
// colour and glow, and which corner of the quad it is: software WebGL
// draws instances one at a time, at a cost per instance that 1e5 rods
// make seconds, and one draw of many vertices at once. The corners and
// their triangles are shared by every mesh; the caps are points of their
// own colour, whose position alone is theirs.
function quads(n) {
  const corners = new Float32Array(8 * n), index = new Uint32Array(6 * n);
  const quad = [-1, -1, 1, -1, 1, 1, -1, 1], turns = [0, 1, 2, 0, 2, 3];
  for (let j = 0; j < n; j++) {
    for (let c = 0; c < 8; c++) corners[8 * j + c] = quad[c];
    for (let c = 0; c < 6; c++) index[6 * j + c] = 4 * j + turns[c];
  }
  return {corner: new THREE.BufferAttribute(corners, 2),
          index: new THREE.BufferAttribute(index, 1)};
}

const vectors = (n, size) => new THREE.BufferAttribute(
  new Float32Array(4 * size * n), size);

function impostor_mesh(shared, rods, radius, round, faint) {
  const g = new THREE.BufferGeometry();
  g.setIndex(shared.index);
  g.setAttribute("corner", shared.corner);
  g.setAttribute("position", vectors(shared.n, 3));
  g.setAttribute("axis", rods ? rods.axis : vectors(shared.n, 3));
  g.setAttribute("colour", rods ? rods.colour : vectors(shared.n, 4));
  const cap = COLOURS.cap;
  const m = new THREE.ShaderMaterial({
    uniforms: {radius: {value: radius}, round_ends: {value: round ? 1 : 0},
               faint: {value: faint ? FAINT_SHARE : 0},
               background: {value: new THREE.Vector3(
                 ...BACKGROUND_BYTES.map((v) => LINEAR[v]))},
               point: {value: rods ? 1 : 0},
               flat_light: {value: colour_bytes
                 ? new THREE.Vector2(FLAT_LIGHT.ambient, FLAT_LIGHT.head)
                 : new THREE.Vector2(0, 0)},
               point_colour: {value: new THREE.Vector4(...cap, 0)}},
    vertexShader: IMPOSTOR_VERTEX, fragmentShader: IMPOSTOR_FRAGMENT});
  const mesh = new THREE.Mesh(g, m);
  mesh.frustumCulled = false;
  mesh.count = 0;
  // Which tint each rod's place holds (0 none, 1 teal, 2 blue): a frame
  // like the last rewrites no colour.
  mesh.tints = new Uint8Array(shared.n);
  return mesh;
}

// The many rods' meshes: teal and blue rods in one, the caps in another,
// and with --highlight a faint, thin twin of the rods, without caps.
function impostor_meshes(most) {
  const shared = {n: most, ...quads(most)};
  const rods = impostor_mesh(shared, null, ROD_RADIUS, ROUND_ENDS, false);
  const meshes = {teal: rods, blue: rods, cap: impostor_mesh(
    shared, rods.geometry.attributes, CAP_RADIUS, true, false)};
  if (faint_bits) {
    meshes.teal_faint = meshes.blue_faint = impostor_mesh(
      shared, null, ROD_RADIUS * FAINT_THIN, ROUND_ENDS, true);
  }
  return meshes;
}

// The teal and blue rods' colours as the renderer takes them, and the
// glow (emission over colour) of their finish.
const TINTS = Object.fromEntries(["teal", "blue"].map((name) => {
  const finish = FINISH[name] || {gain: 1, glow: 0};
  return [name, [...COLOURS[name].map((v) => v * finish.gain),
                 finish.glow / finish.gain]];
}));

// Sets a vector attribute's four vertices of rod j to (x, y, z).
function four(array, j, x, y, z) {
  const v = 12 * j;
  array[v] = array[v + 3] = array[v + 6] = array[v + 9] = x;
  array[v + 1] = array[v + 4] = array[v + 7] = array[v + 10] = y;
  array[v + 2] = array[v + 5] = array[v + 8] = array[v + 11] = z;
}

// Sets rod j's four colours: sRGB bytes at at of colour_bytes, glowing
// not at all, or tint (its colour and glow) where at is -1.
function four_colours(array, j, at, tint) {
  const c = at < 0 ? tint : [LINEAR[colour_bytes[at]],
    LINEAR[colour_bytes[at + 1]], LINEAR[colour_bytes[at + 2]], 0];
  for (let v = 16 * j; v < 16 * j + 16; v += 4) {
    array[v] = c[0];
    array[v + 1] = c[1];
    array[v + 2] = c[2];
    array[v + 3] = c[3];
  }
}

// Puts the rods of frame k that kept keeps into meshes m, straight from
// their 16-bit levels: a frame of 1e5 rods switches within a screen's
// frame (16 ms).
function load_impostors(m, k, kept) {
  const t = META.tables[k], teals = META.teal[k];
  const rods = [...new Set(Object.values(m))];
  for (const mesh of rods) mesh.count = 0;
  const [x0, y0, z0, step, hx0, hy0, hz0, half] = t;
  const [ox, oy, oz, offset] = t.slice(8);
  const count = META.counts[k];
  for (let i = 0, w = rod_word(k, 0); i < count; i++, w += ROD_WORDS) {
    if (!kept.all && !kept(i)) continue;
    const faint = faint_bits !== null && is_faint(k, i);
    const mesh = faint ? m.teal_faint : m.teal;
    const j = mesh.count++;
    const x = x0 + step * words[w], y = y0 + step * words[w + 1];
    const z = z0 + step * words[w + 2];
    const hx = hx0 + half * words[w + 3], hy = hy0 + half * words[w + 4];
    const hz = hz0 + half * words[w + 5];
    four(mesh.geometry.attributes.position.array, j, x, y, z);
    four(mesh.geometry.attributes.axis.array, j, hx, hy, hz);
    if (!faint) {  // a faint rod is a line, without its cap
      four(m.cap.geometry.attributes.position.array, m.cap.count++,
           x - hx + ox + offset * words[w + 6],
           y - hy + oy + offset * words[w + 7],
           z - hz + oz + offset * words[w + 8]);
    }
    recolour(mesh, j, k, i, i < teals ? 1 : 2);
  }
  for (const mesh of rods) impostor_loaded(mesh);
}

// Rod i of frame k's colour at place j of mesh: its own (colour_bytes),
// else its layer's tint, written only where the place held another.
function recolour(mesh, j, k, i, tint) {
  const colour = mesh.geometry.attributes.colour.array;
  if (colour_bytes) {
    four_colours(colour, j, (first[k] + i) * COLOUR_BYTES, null);
  } else if (mesh.tints[j] !== tint) {
    mesh.tints[j] = tint;
    four_colours(colour, j, -1, tint === 1 ? TINTS.teal : TINTS.blue);
    mesh.recoloured = true;
  }
}

function impostor_loaded(mesh) {
  mesh.visible = mesh.count > 0;
  mesh.geometry.setDrawRange(0, 6 * mesh.count);
  const sizes = mesh.material.uniforms.point.value ? {position: 3}
    : {position: 3, axis: 3};
  if (colour_bytes || mesh.recoloured) sizes.colour = 4;
  mesh.recoloured = false;
  for (const [a, size] of Object.entries(sizes)) {
    const attribute = mesh.geometry.attributes[a];
    attribute.updateRange = {offset: 0, count: 4 * size * mesh.count};
    attribute.needsUpdate = true;
  }
}
