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
const overlay = document.getElementById("overlay");
const drawn = {renderer: null, scene: null, camera: null, meshes: null,
               pending: false, first_ms: null, update_ms: null};

function material(name) {
  const rgb = COLOURS[name], finish = FINISH[name] || {gain: 1, glow: 0};
  const colour = (scale) => new THREE.Color(...rgb.map((v) => v * scale));
  return new THREE.MeshPhongMaterial({
    color: colour(finish.gain), emissive: colour(finish.glow),
    specular: 0x000000});
}

// Rods coloured by orientation or local order take their colour from an
// attribute of their own, which three.js reads a rod at a time, in the
// default finish. Faint rods are see-through and hide nothing behind them.
function rod_material(name, geometry, count, faint) {
  let m = material(name);
  if (colour_bytes && ["teal", "blue"].includes(name)) {
    geometry.setAttribute("color", new THREE.InstancedBufferAttribute(
      new Float32Array(3 * count), 3));
    m = new THREE.MeshPhongMaterial({
      color: 0xffffff, vertexColors: THREE.VertexColors, specular: 0x000000});
  }
  if (faint) {
    Object.assign(m, {transparent: true, opacity: FAINT_OPACITY,
                      depthWrite: false});
  }
  return m;
}

function instanced(geometry, name, count, faint = false) {
  const n = Math.max(count, 1);
  const mesh = new THREE.InstancedMesh(
    geometry, rod_material(name, geometry, n, faint), n);
  mesh.frustumCulled = false;
  return mesh;
}

// sRGB bytes as the linear colours the renderer takes.
const LINEAR = Array.from({length: 256}, (_, v) => {
  const c = v / 255;
  return c <= 0.04045 ? c / 12.92 : ((c + 0.055) / 1.055) ** 2.4;
});

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
  const edge = new THREE.CylinderBufferGeometry(BOX_RADIUS, BOX_RADIUS, 1, 8);
  const meshes = {teal: instanced(rod, "teal", most),
                  blue: instanced(rod.clone(), "blue", most),
                  cap: instanced(cap, "cap", most),
                  box: instanced(edge, "box", 12)};
  // With --highlight, each layer and the caps have a faint twin.
  for (const name of faint_bits ? ["teal", "blue", "cap"] : []) {
    const shape = name === "cap" ? cap : rod;
    meshes[`${name}_faint`] = instanced(shape.clone(), name, most, true);
  }
  const scene = new THREE.Scene();
  scene.background = new THREE.Color(BACKGROUND);
  for (const mesh of Object.values(meshes)) scene.add(mesh);
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

// Puts the rods of frame k that the cut keeps into the meshes, the faint
// ones into the faint twins: teal rods come first.
function load_frame(k) {
  const started = performance.now();
  const m = drawn.meshes;
  const glyphs = Object.keys(m).filter((name) => name !== "box")
    .map((name) => m[name]);
  const count = META.counts[k], teals = META.teal[k];
  const kept = frame_filter(k);
  const p = new Float64Array(9);
  for (const mesh of glyphs) mesh.count = 0;
  for (let i = 0; i < count; i++) {
    if (!kept(i)) continue;
    rod_points(k, i, p);
    const faint = is_faint(k, i);
    const mesh = i < teals ? (faint ? m.teal_faint : m.teal)
                           : (faint ? m.blue_faint : m.blue);
    const cap = faint ? m.cap_faint : m.cap;
    if (colour_bytes) {
      const from = (first[k] + i) * COLOUR_BYTES;
      for (let a = 0; a < 3; a++) {
        mesh.geometry.attributes.color.array[3 * mesh.count + a] =
          LINEAR[colour_bytes[from + a]];
      }
    }
    rod_matrix(mesh.instanceMatrix.array, mesh.count++, p);
    cap_matrix(cap.instanceMatrix.array, cap.count++, p);
  }
  for (const mesh of glyphs) {
    mesh.visible = mesh.count > 0;
    mesh.instanceMatrix.needsUpdate = true;
    if (mesh.geometry.attributes.color) {
      mesh.geometry.attributes.color.needsUpdate = true;
    }
  }
  place_box();
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
  Object.assign(overlay.style, {left: `${left}px`, top: `${top}px`,
                                width: `${w}px`, height: `${h}px`});
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
