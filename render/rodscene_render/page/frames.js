// ----- frames -----

const player = {timer: null};

// Shows frame k, counted from 0 and wrapped around the trajectory.
function show_frame(k) {
  if (!Number.isInteger(k)) return;
  state.frame = ((k % frame_count) + frame_count) % frame_count;
  if (drawn.renderer) load_frame(state.frame);
  document.getElementById("slider").value = state.frame + 1;
  document.getElementById("counter").textContent =
    `${state.frame + 1} / ${frame_count}`;
  document.getElementById("name").textContent = META.names[state.frame];
  show_key(state.frame);
  show_rod(null);
  const empty = META.counts[state.frame] === 0;
  if (drawn.renderer) {
    note.hidden = !empty;
    note.textContent = TEXTS.no_glyph;
  }
  changed();
}

function play(on) {
  clearInterval(player.timer);
  player.timer = null;
  if (on) {
    const fps = Number(document.getElementById("fps").value) || 24;
    // Playing, many rods are drawn as while the view moves.
    player.timer = setInterval(() => {
      moved();
      show_frame(state.frame + 1);
    }, 1000 / Math.min(Math.max(fps, 0.5), 60));
  }
  document.getElementById("play").textContent = on ? TEXTS.pause
                                                   : TEXTS.play;
}

