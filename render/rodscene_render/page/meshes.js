// ----- the rods in full detail: a cylinder and a cap sphere each -----

function material(name) {
  const rgb = COLOURS[name], finish = FINISH[name] || {gain: 1, glow: 0};
  const colour = (scale) => new THREE.Color(...rgb.map((v) => v * scale));
  return new THREE.MeshPhongMaterial({
    color: colour(finish.gain), emissive: colour(finish.glow),
    specular: 0x000000});
}

// Rods coloured by orientation or local order take their colour from an
// attribute of their own, which three.js reads a rod at a time, in the
// default finish. Faint rods are unlit, in their faint tint.
function rod_material(name, geometry, count, faint) {
  const own = colour_bytes && ["teal", "blue"].includes(name);
  if (own) {
    geometry.setAttribute("color", new THREE.InstancedBufferAttribute(
      new Float32Array(3 * count), 3));
  }
  if (faint) {
    return new THREE.MeshBasicMaterial(own
      ? {vertexColors: THREE.VertexColors}
      : {color: new THREE.Color(...faint_tint(TINTS[name]))});
  }
  if (!own) return material(name);
  return new THREE.MeshPhongMaterial({
    color: 0xffffff, vertexColors: THREE.VertexColors, specular: 0x000000});
}

// A linear colour's faint tint: FAINT_SHARE of it over the background.
const faint_tint = (rgb) => [0, 1, 2].map(
  (a) => FAINT_SHARE * Math.min(rgb[a], 1) +
    (1 - FAINT_SHARE) * LINEAR[BACKGROUND_BYTES[a]]);

function instanced(geometry, name, count, faint = false) {
  const n = Math.max(count, 1);
  const mesh = new THREE.InstancedMesh(
    geometry, rod_material(name, geometry, n, faint), n);
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

// The box's twelve edges: thin cylinders.
function box_mesh() {
  return instanced(new THREE.CylinderBufferGeometry(BOX_RADIUS, BOX_RADIUS,
                                                    1, 8), "box", 12);
}

// The meshes of every glyph: the teal and blue rods, their caps and, with
// --highlight, a faint, thin twin of each rod. One geometry a mesh:
// three.js r111 keeps the attributes bound between two draws of one
// geometry, and would draw the blue rods with the teal rods' places.
function detailed_meshes(most) {
  const rod = new THREE.CylinderBufferGeometry(ROD_RADIUS, ROD_RADIUS, 1,
                                               ROD_SEGMENTS);
  const cap = new THREE.SphereBufferGeometry(CAP_RADIUS, 10, 6);
  const meshes = {teal: instanced(rod, "teal", most),
                  blue: instanced(rod.clone(), "blue", most),
                  cap: instanced(cap, "cap", most)};
  const thin = new THREE.CylinderBufferGeometry(
    ROD_RADIUS * FAINT_THIN, ROD_RADIUS * FAINT_THIN, 1, ROD_SEGMENTS);
  for (const name of faint_bits ? ["teal", "blue"] : []) {
    meshes[`${name}_faint`] = instanced(thin.clone(), name, most, true);
  }
  return meshes;
}

// Puts the rods of frame k that kept keeps into meshes m.
function load_meshes(m, k, kept) {
  const glyphs = Object.values(m);
  const count = META.counts[k], teals = META.teal[k];
  const p = new Float64Array(9);
  for (const mesh of glyphs) mesh.count = 0;
  for (let i = 0; i < count; i++) {
    if (!kept(i)) continue;
    rod_points(k, i, p);
    const faint = is_faint(k, i);
    const mesh = i < teals ? (faint ? m.teal_faint : m.teal)
                           : (faint ? m.blue_faint : m.blue);
    if (colour_bytes) {
      const from = (first[k] + i) * COLOUR_BYTES;
      const rgb = [0, 1, 2].map((a) => LINEAR[colour_bytes[from + a]]);
      mesh.geometry.attributes.color.array.set(
        faint ? faint_tint(rgb) : rgb, 3 * mesh.count);
    }
    rod_matrix(mesh.instanceMatrix.array, mesh.count++, p);
    // A faint rod is a line, without its cap.
    if (!faint) cap_matrix(m.cap.instanceMatrix.array, m.cap.count++, p);
  }
  for (const mesh of glyphs) {
    mesh.visible = mesh.count > 0;
    mesh.instanceMatrix.needsUpdate = true;
    if (mesh.geometry.attributes.color) {
      mesh.geometry.attributes.color.needsUpdate = true;
    }
  }
}
