"""The page: one HTML file that turns the rods in a browser, with its script and styles beside the Python that writes it."""
