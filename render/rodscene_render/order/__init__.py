"""Order: the order tensor, its parameter and director, each rod's local
order and its neighbours, colours by orientation, the order table and
the table of rods, and --order's options."""
