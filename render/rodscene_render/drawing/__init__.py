"""Drawing one picture: the camera and its fit, the scene POV-Ray renders, and the overlays drawn over its picture."""
