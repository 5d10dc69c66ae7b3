// ----- the command that renders the view -----

const fixed = (v, digits) => Number(v.toFixed(digits)).toString();

// The zoom of the state's span against a fit's: bound_state keeps it
// within the command line's bounds for every frame's fit, and one frame's
// fit can be smaller still.
const zoom_of = (fitted) => clamp(
  Number((fitted.span / state.span).toPrecision(4)), MIN_ZOOM, MAX_ZOOM);

function camera_words(fitted) {
  const words = ["--camera", fixed(state.azimuth, 3),
                 fixed(state.elevation, 3), "--zoom", zoom_of(fitted),
                 "--look", ...state.look.map((v) => fixed(v, 4))];
  if (state.projection === "orthographic") {
    words.push("--projection", "orthographic");
  }
  return words.join(" ");
}

const fit_state = (frames, size) => fit(frames, state.azimuth,
                                        state.elevation, state.projection,
                                        size);

// The commands for the state; whole is the fit of every frame. The
// picture's label is its frame's, the film's the template; the picture
// takes the window's shape. Shown (short) rather than copied, a film of
// many files that no pattern names gives its first and last.
function command_text(whole = fit_state(all_frames), short = false) {
  const [w, h] = picture_size();
  const tail = `${META.options ? " " + META.options : ""} --width ${w} ` +
    `--height ${h}`;
  const k = state.frame;
  const label = META.label_words ? ` ${META.label_words[k]}` : "";
  const picture = `${META.program} ${META.inputs[k]} ${META.picture} ` +
    `${camera_words(frame_count === 1 ? whole : fit_state([k]))}` +
    `${tail}${cut_words(k)}${label}`;
  if (frame_count === 1) return picture;
  const film_label = META.film_label ? ` ${META.film_label}` : "";
  const inputs = short && META.film_short ? META.film_short
                                          : META.film_inputs;
  return `${TEXTS.picture}\n${picture}\n` +
    `${TEXTS.film.replace("{}", frame_count)}\n${META.program} ` +
    `--movie ${META.movie} ${inputs} ` +
    `${camera_words(whole)}${tail}${cut_words(null)}${film_label}`;
}

function fragment_text(whole) {
  return `#frame=${state.frame + 1}&camera=${fixed(state.azimuth, 3)},` +
    `${fixed(state.elevation, 3)}&zoom=${zoom_of(whole)}` +
    `&look=${state.look.map((v) => fixed(v, 4)).join(",")}` +
    `&projection=${state.projection}`;
}

// The command, and the canvas of the panel's new height: when that
// reshapes the picture the command renders, the command again, until
// they agree (the panel never shrinks, so a pass or two).
let command_timer = null;
function update_command() {
  command_timer = null;
  for (let pass = 0; pass < 3; pass++) {
    show_command();
    if (!size_canvas()) break;
  }
}

function show_command() {
  const whole = fit_state(all_frames);
  const span = state.span, look = state.look;
  bound_state(whole.span);
  if (state.span !== span || state.look.some((v, a) => v !== look[a])) {
    request_draw();
  }
  document.getElementById("command").textContent = command_text(whole, true);
  hold_panel();
  keep_fragment(fragment_text(whole));
}

// The command panel never shrinks while the window keeps its size: the
// canvas takes the panel's shape into the command's picture size, whose
// new digits could otherwise rewrap the command and resize it back.
let panel_height = 0;
function hold_panel() {
  const panel = document.getElementById("panel");
  panel.style.minHeight = "";
  panel_height = Math.max(panel_height, panel.offsetHeight);
  panel.style.minHeight = `${panel_height}px`;
}

function release_panel() {
  panel_height = 0;
  document.getElementById("panel").style.minHeight = "";
}

// The command folds away to its buttons, and back.
function fold_command(folded) {
  document.getElementById("command").hidden = folded;
  const button = document.getElementById("fold");
  button.textContent = folded ? TEXTS.unfold : TEXTS.fold;
  button.setAttribute("aria-expanded", String(!folded));
  release_panel();
  if (!folded) hold_panel();
  changed();
}

const toggle_command = () => fold_command(
  !document.getElementById("command").hidden);

// The address keeps the view, so that it can be shared; a page shown
// inside another (a notebook's frame) has no address of its own to keep.
function keep_fragment(fragment) {
  try {
    history.replaceState(null, "", fragment);
  } catch (e) {
    if (e.name !== "SecurityError") throw e;
  }
}

function changed() {
  request_draw();
  clearTimeout(command_timer);
  command_timer = setTimeout(update_command, COMMAND_DELAY);
  document.getElementById("projection").textContent = state.projection;
}

function copy_command() {
  const text = command_text();
  const button = document.getElementById("copy");
  const done = () => {
    button.textContent = TEXTS.copied;
    setTimeout(() => { button.textContent = TEXTS.copy; }, 1500);
  };
  if (navigator.clipboard && window.isSecureContext) {
    navigator.clipboard.writeText(text).then(done, () => copy_by_selection(
      text, done));
  } else {
    copy_by_selection(text, done);
  }
}

function copy_by_selection(text, done) {
  const area = document.createElement("textarea");
  area.value = text;
  document.body.append(area);
  area.select();
  if (document.execCommand("copy")) done();
  area.remove();
}

