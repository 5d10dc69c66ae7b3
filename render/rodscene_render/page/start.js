// ----- the start: the page as its address and its command put it -----

function start() {
  size_canvas(true);  // the fit frames a picture of the canvas's shape
  const fragment = read_fragment();
  const {fitted, ...camera} = start_camera(fragment);
  Object.assign(state, camera, {look: camera.look.slice()});
  bound_state(fitted);
  opening = {...camera, span: state.span, look: state.look.slice()};
  if (frame_count > 1) {
    document.getElementById("trajectory").hidden = false;
    document.getElementById("slider").max = frame_count;
  }
  if (!rods_whole) {
    note.textContent = TEXTS.no_rods;
    note.hidden = false;
    canvas.hidden = true;
  } else if (webgl_works()) {
    // Antialiasing costs software WebGL every pixel many times over: it
    // is for the detailed meshes alone.
    drawn.renderer = new THREE.WebGLRenderer({canvas,
                                              antialias: most_drawn <=
                                                DETAIL_RODS,
                                              preserveDrawingBuffer: true});
    drawn.renderer.gammaOutput = true;
    drawn.renderer.gammaFactor = 2.2;
    Object.assign(drawn, build_scene());
  } else {
    note.textContent = TEXTS.no_webgl;
    note.hidden = false;
    canvas.hidden = true;
  }
  size_canvas(true);
  moved();  // the first frame quick, the caps after it
  wire();
  show_frame(fragment.frame === null ? 0 : fragment.frame);
  // Tests and the bench read the page's timings here.
  window.rodscene = {state, drawn, fit, show_frame, load_frame, set_view,
                     command_text, view_axes, all_frames, cut, slab, still,
                     picture_size, show_rod, on_screen,
                     turn: (dx, dy) => { orbit(dx, dy); moved(); },
                     settled: () => !drawn.pending && !drawn.moving &&
                       command_timer === null};
}

start();
