"""Reading inputs: configurations, scene text and trajectories, each into frames of rods the other steps draw and measure."""
