// ----- mouse, touch and keys -----

const pointers = new Map();

// A press that moves less than TAP_SLOP, with no other finger down, is
// a click or tap: it picks the rod under it.
function on_pointer_down(e) {
  leave_field();
  canvas.setPointerCapture(e.pointerId);
  for (const p of pointers.values()) p.tap = false;
  pointers.set(e.pointerId, {x: e.clientX, y: e.clientY, button: e.button,
                             pan: e.button !== 0 || e.shiftKey || e.ctrlKey,
                             x0: e.clientX, y0: e.clientY,
                             tap: pointers.size === 0 && e.button === 0});
}

function on_pointer_move(e) {
  const last = pointers.get(e.pointerId);
  if (!last) return;
  const dx = e.clientX - last.x, dy = e.clientY - last.y;
  if (Math.hypot(e.clientX - last.x0, e.clientY - last.y0) > TAP_SLOP) {
    last.tap = false;
  }
  if (pointers.size === 2) {
    pinch(e.pointerId, e.clientX, e.clientY);
  } else if (last.pan) {
    pan(dx, dy);
  } else {
    orbit(dx, dy);
  }
  Object.assign(last, {x: e.clientX, y: e.clientY});
  moved();
  changed();
}

function on_pointer_up(e) {
  const last = pointers.get(e.pointerId);
  pointers.delete(e.pointerId);
  if (last && last.tap && e.type === "pointerup") pick(e.clientX, e.clientY);
}

// Turns the view about its look point: dx, dy in CSS pixels dragged.
function orbit(dx, dy) {
  state.azimuth = ((state.azimuth - dx * ORBIT_STEP + 540) % 360) - 180;
  state.elevation = Math.min(90, Math.max(-90,
                                          state.elevation + dy * ORBIT_STEP));
}

// Moves the look point with the picture: dx, dy in CSS pixels.
function pan(dx, dy) {
  const [, u, r] = view_axes(state.azimuth, state.elevation);
  const unit = state.span / canvas.clientWidth;
  state.look = mix([[1, state.look], [-dx * unit, r], [dy * unit, u]]);
  bound_state();
}

// Two fingers: their spread zooms, their middle pans.
function pinch(id, x, y) {
  const [a, b] = [...pointers.entries()].map(([key, p]) =>
    key === id ? {x, y} : p);
  const [old_a, old_b] = [...pointers.values()];
  const spread = (p, q) => Math.hypot(p.x - q.x, p.y - q.y) || 1;
  pan((a.x + b.x - old_a.x - old_b.x) / 2, (a.y + b.y - old_a.y - old_b.y) / 2);
  state.span *= spread(old_a, old_b) / spread(a, b);
  bound_state();
}

function on_wheel(e) {
  e.preventDefault();
  state.span *= Math.exp(e.deltaY * WHEEL_STEP);
  bound_state();
  moved();
  changed();
}

// A field, list or button that has the keys gives them back to the view.
function leave_field() {
  const field = document.activeElement;
  if (field && field !== document.body && field.blur) field.blur();
}

const FIELDS = ["INPUT", "SELECT", "TEXTAREA"];

function on_key(e) {
  const field = FIELDS.includes(e.target.tagName);
  // Enter in a field, or Escape anywhere, leaves it, which takes its
  // value; Escape also closes the help and a rod's facts.
  if (e.key === "Escape" || (field && e.key === "Enter")) leave_field();
  if (field && e.key === "Enter") {
    e.preventDefault();
    return;
  }
  // A focused field, list or slider keeps its own keys.
  if (field && e.key !== "Escape" &&
      (["number", "text"].includes(e.target.type) ||
       e.target.tagName !== "INPUT" || e.key.startsWith("Arrow"))) {
    return;
  }
  if (e.ctrlKey || e.metaKey || e.altKey) return;
  if (e.key === "?") toggle_help();
  else if (e.key === "Escape") {
    show_help(false);
    show_rod(null);
  } else if (KEYS.has(e.key)) set_view(KEYS.get(e.key));
  else if (e.key === "r") reset();
  else if (e.key === "p") toggle_projection();
  else if (e.key === "c") toggle_command();
  else if (e.key === "ArrowRight") show_frame(state.frame + 1);
  else if (e.key === "ArrowLeft") show_frame(state.frame - 1);
  else if (e.key === " " && frame_count > 1) play(player.timer === null);
  else return;
  e.preventDefault();
}

function toggle_projection() {
  state.projection = state.projection === "orthographic" ? "perspective"
                                                         : "orthographic";
  changed();
}

function reset() {
  Object.assign(state, opening, {look: opening.look.slice()});
  changed();
}

function wire() {
  for (const b of document.querySelectorAll("[data-view]")) {
    b.addEventListener("click", () => set_view(b.dataset.view));
  }
  document.getElementById("reset").addEventListener("click", reset);
  document.getElementById("projection").addEventListener(
    "click", toggle_projection);
  document.getElementById("copy").addEventListener("click", copy_command);
  document.getElementById("fold").addEventListener("click", toggle_command);
  document.getElementById("play").addEventListener(
    "click", () => play(player.timer === null));
  document.getElementById("fps").addEventListener(
    "change", () => { if (player.timer !== null) play(true); });
  document.getElementById("slider").addEventListener(
    "input", (e) => show_frame(Number(e.target.value) - 1));
  canvas.addEventListener("pointerdown", on_pointer_down);
  canvas.addEventListener("pointermove", on_pointer_move);
  canvas.addEventListener("pointerup", on_pointer_up);
  canvas.addEventListener("pointercancel", on_pointer_up);
  canvas.addEventListener("wheel", on_wheel, {passive: false});
  canvas.addEventListener("contextmenu", (e) => e.preventDefault());
  window.addEventListener("keydown", on_key);
  wire_layers();
  wire_help();
  // The stage changes size with the window and with the command's lines;
  // the command takes the canvas's new shape.
  new ResizeObserver(() => {
    if (size_canvas()) changed();
  }).observe(stage);
  window.addEventListener("resize", release_panel);
}

