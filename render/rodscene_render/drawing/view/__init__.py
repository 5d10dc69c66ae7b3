"""Where a picture looks from: named views, the camera fitted to what is
drawn and then filling the picture, and points projected onto it."""
