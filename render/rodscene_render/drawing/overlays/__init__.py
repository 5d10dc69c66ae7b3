"""What is drawn over a picture to read it: the key, the label, the axis
triad and the scale bar, where each sits and the room it takes, and the
same overlays as vector shapes and text for SVG and PDF figures."""
