// ----- over the rods: the key, the label and the axis triad -----

// Frame k's key as its picture's: a row a colour or a fact (its window,
// its order parameter), and the colour bar when the rods are coloured by
// orientation; and its label, filled in for it.
function show_key(k) {
  const key = document.getElementById("key");
  key.replaceChildren();
  for (const [colour, text] of META.keys[k]) {
    const row = document.createElement("div");
    if (colour) {
      const swatch = document.createElement("span");
      swatch.className = "swatch";
      swatch.style.background = colour;
      row.append(swatch);
    }
    row.append(text);
    key.append(row);
  }
  if (META.bar) {
    const bar = document.createElement("div");
    bar.id = "bar-colours";
    bar.style.background =
      `linear-gradient(to right, ${META.bar.stops.join(", ")})`;
    const ticks = document.createElement("div");
    ticks.className = "ticks";
    for (const [share, text] of META.bar.ticks) {
      const tick = document.createElement("span");
      tick.style.left = `${100 * share}%`;
      tick.textContent = text;
      ticks.append(tick);
    }
    key.append(bar, ticks);
  }
  const label = document.getElementById("label");
  label.hidden = !META.labels;
  if (META.labels) label.textContent = META.labels[k];
}

// x, y and z arrows from one origin, as the camera sees the axes; the
// arrows pointing away are drawn first.
function draw_triad() {
  const g = triad.getContext("2d");
  const scale = triad.width / TRIAD_SIZE;
  g.setTransform(scale, 0, 0, scale, 0, 0);
  g.clearRect(0, 0, TRIAD_SIZE, TRIAD_SIZE);
  const [f, u, r] = view_axes(state.azimuth, state.elevation);
  const o = TRIAD_SIZE / 2, length = TRIAD_SIZE * 0.3;
  const order = [0, 1, 2].sort((a, b) => f[b] - f[a]);
  g.lineWidth = 3;
  g.font = "bold 14px sans-serif";
  g.textAlign = "center";
  g.textBaseline = "middle";
  for (const i of order) {
    const x = o + length * r[i], y = o - length * u[i];
    g.strokeStyle = g.fillStyle = AXES[i][1];
    g.beginPath();
    g.moveTo(o, o);
    g.lineTo(x, y);
    g.stroke();
    g.fillText(AXES[i][0], o + 1.35 * length * r[i], o - 1.35 * length * u[i]);
  }
}

