// ----- the help and the saved picture -----

function show_help(on) {
  document.getElementById("help").hidden = !on;
  document.getElementById("help-button").setAttribute("aria-expanded",
                                                      String(on));
}

const toggle_help = () => show_help(document.getElementById("help").hidden);

// The canvas as drawn, as a PNG download named after the page (and the
// frame, for a trajectory).
function save_picture() {
  if (!drawn.renderer) return;
  draw();
  const link = document.createElement("a");
  const frame = frame_count > 1 ? `-frame${state.frame + 1}` : "";
  link.download = `${META.save_name}${frame}.png`;
  link.href = canvas.toDataURL("image/png");
  link.click();
}

function wire_help() {
  document.getElementById("help-button").addEventListener(
    "click", toggle_help);
  document.getElementById("help-close").addEventListener(
    "click", () => show_help(false));
  document.getElementById("info-close").addEventListener(
    "click", () => show_rod(null));
  document.getElementById("save").addEventListener("click", save_picture);
}
