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

const fit_state = (frames) => fit(frames, state.azimuth, state.elevation,
                                  state.projection);

// The commands for the state; whole is the fit of every frame. The
// picture's label is its frame's, the film's the template.
function command_text(whole = fit_state(all_frames)) {
  const tail = META.options ? " " + META.options : "";
  const k = state.frame;
  const label = META.label_words ? ` ${META.label_words[k]}` : "";
  const picture = `${META.program} ${META.inputs[k]} ${META.picture} ` +
    `${camera_words(frame_count === 1 ? whole : fit_state([k]))}` +
    `${tail}${box_words(k)}${label}`;
  if (frame_count === 1) return picture;
  const film_label = META.film_label ? ` ${META.film_label}` : "";
  return `${TEXTS.picture}\n${picture}\n${TEXTS.film}\n${META.program} ` +
    `--movie ${META.movie} ${META.film_inputs} ` +
    `${camera_words(whole)}${tail}${box_words(null)}${film_label}`;
}

function fragment_text(whole) {
  return `#frame=${state.frame + 1}&camera=${fixed(state.azimuth, 3)},` +
    `${fixed(state.elevation, 3)}&zoom=${zoom_of(whole)}` +
    `&look=${state.look.map((v) => fixed(v, 4)).join(",")}` +
    `&projection=${state.projection}`;
}

let command_timer = null;
function update_command() {
  command_timer = null;
  const whole = fit_state(all_frames);
  const span = state.span, look = state.look;
  bound_state(whole.span);
  if (state.span !== span || state.look.some((v, a) => v !== look[a])) {
    request_draw();
  }
  document.getElementById("command").textContent = command_text(whole);
  keep_fragment(fragment_text(whole));
}

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
  const text = document.getElementById("command").textContent;
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

