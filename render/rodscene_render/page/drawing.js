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
const mark = document.getElementById("mark");
const drawn = {renderer: null, scene: null, camera: null, meshes: null,
               quick: null, detail: null,
               pending: false, first_ms: null, update_ms: null,
               moving: false, size: [1, 1]};

// sRGB bytes as the linear colours the renderer takes.
const LINEAR = Array.from({length: 256}, (_, v) => {
  const c = v / 255;
  return c <= 0.04045 ? c / 12.92 : ((c + 0.055) / 1.055) ** 2.4;
});

// The scene: the rods' meshes, detailed (meshes.js) where a frame has few
// enough, and quick (impostors.js) where it has many, the box's edges,
// and the scene's finish: ambient 0.12 and diffuse 0.8 under a key light
// above and left of the camera and a fill light of 0.45 from the right,
// both turning with the camera as the pictures' lights do. Rods coloured
// by a value are lit almost evenly (FLAT_LIGHT), so that their colour
// reads the same value wherever they lie and however they turn.
function build_scene() {
  const most = Math.max(1, most_drawn);
  const quick = many_rods ? impostor_meshes(most) : null;
  const detail = most <= DETAIL_RODS && !ROUND_ENDS ? detailed_meshes(most)
                                                   : null;
  const meshes = {box: box_mesh(), system_box: box_mesh()};
  const scene = new THREE.Scene();
  scene.background = new THREE.Color(BACKGROUND);
  for (const mesh of new Set([meshes.box, meshes.system_box,
                              ...Object.values(quick || {}),
                              ...Object.values(detail || {})])) {
    scene.add(mesh);
  }
  const camera = new THREE.PerspectiveCamera();
  if (colour_bytes) {
    scene.add(new THREE.AmbientLight(0xffffff, FLAT_LIGHT.ambient));
    const head = new THREE.DirectionalLight(0xffffff, FLAT_LIGHT.head);
    head.position.set(0, 0, 0);  // at the camera, shining along its view
    head.target.position.set(0, 0, -1);
    camera.add(head, head.target);
  } else {
    scene.add(new THREE.AmbientLight(0xffffff, 0.12));
    const key = new THREE.DirectionalLight(0xffffff, 0.8);
    key.position.set(-0.6, 0.9, 0.2);
    const fill = new THREE.DirectionalLight(0xffffff, 0.36);
    fill.position.set(0.8, 0.3, 0);
    camera.add(key, fill);
  }
  scene.add(camera);
  return {scene, meshes, quick, detail, camera};
}

// Puts the rods of frame k that the cut keeps into the meshes, the faint
// ones into the faint twins: teal rods come first.
function load_frame(k) {
  const started = performance.now();
  const kept = frame_filter(k);
  if (drawn.quick) load_impostors(drawn.quick, k, kept);
  if (drawn.detail) load_meshes(drawn.detail, k, kept);
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

// The canvas fills the stage, whatever its shape: the command's picture
// takes the same shape (picture_size), and the view keeps its zoom.
// Resized, the canvas is drawn anew; whether the picture's size changed.
let sized = null;  // the command's picture size the view is framed for
function size_canvas(force = false) {
  const room = stage.getBoundingClientRect();
  const w = Math.max(1, Math.floor(room.width));
  const h = Math.max(1, Math.floor(room.height));
  if (!force && w === drawn.size[0] && h === drawn.size[1]) return false;
  request_draw();
  const whole = {left: "0px", top: "0px", width: `${w}px`, height: `${h}px`};
  Object.assign(canvas.style, whole);
  Object.assign(overlay.style, whole);
  Object.assign(mark.style, whole);
  Object.assign(triad.style, {left: "0px", top: `${h - TRIAD_SIZE}px`});
  const ratio = window.devicePixelRatio || 1;
  drawn.size = [w, h];
  if (drawn.renderer) fit_resolution(true);
  triad.width = triad.height = Math.round(TRIAD_SIZE * ratio);
  triad.style.width = triad.style.height = `${TRIAD_SIZE}px`;
  mark.width = Math.round(w * ratio);
  mark.height = Math.round(h * ratio);
  const size = picture_size(), old = sized;
  sized = size;
  if (!old || (size[0] === old[0] && size[1] === old[1])) return false;
  refit(old);
  return true;
}

// The first frame's time counts until its pixels are there: a pixel read
// waits for the drawing, which WebGL may otherwise finish later.
function draw() {
  drawn.pending = false;
  if (drawn.renderer) {
    fit_resolution(false);
    place_camera();
    choose_meshes();
    drawn.renderer.render(drawn.scene, drawn.camera);
    if (drawn.first_ms === null) {
      const gl = drawn.renderer.getContext();
      gl.readPixels(0, 0, 1, 1, gl.RGBA, gl.UNSIGNED_BYTE,
                    new Uint8Array(4));
      drawn.first_ms = performance.now();
    }
  }
  draw_triad();
  draw_mark();
  place_info();
}

function request_draw() {
  if (!drawn.pending) {
    drawn.pending = true;
    requestAnimationFrame(draw);
  }
}

// The quick meshes while the view moves, and when there are no detailed
// ones; the caps only while it is still.
function choose_meshes() {
  const quick = drawn.quick !== null && (drawn.moving || !drawn.detail);
  for (const [set, on] of [[drawn.quick, quick], [drawn.detail, !quick]]) {
    for (const [name, mesh] of Object.entries(set || {})) {
      mesh.visible = on && mesh.count > 0 && !(name.startsWith("cap") &&
                                               (drawn.moving || !HEADS));
    }
  }
}

// The canvas's pixels: a share MOVING_SCALE across of the screen's while
// many rods move, else the screen's; resized, the canvas is cleared.
function fit_resolution(resized) {
  const ratio = (window.devicePixelRatio || 1) *
    (drawn.moving ? MOVING_SCALE : 1);
  if (resized || drawn.renderer.getPixelRatio() !== ratio) {
    drawn.renderer.setPixelRatio(ratio);
    drawn.renderer.setSize(...drawn.size, false);
  }
}

// While the mouse or fingers move the view, and as the page opens, many
// rods are drawn without their caps and with fewer pixels; STILL_DELAY ms
// after the last move, whole.
let still_timer = null;
function moved() {
  drawn.moving = many_rods;
  clearTimeout(still_timer);
  still_timer = drawn.moving ? setTimeout(still, STILL_DELAY) : null;
}

function still() {
  clearTimeout(still_timer);
  still_timer = null;
  drawn.moving = false;
  draw();
}
