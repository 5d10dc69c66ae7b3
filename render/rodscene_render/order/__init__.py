"""Order: the order tensor, its parameter and director, each rod's local order, colours by orientation and the order table."""
