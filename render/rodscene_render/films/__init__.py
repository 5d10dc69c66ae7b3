"""Films: every frame rendered once, kept whole and recorded, on this machine or a cluster, and encoded by ffmpeg."""
