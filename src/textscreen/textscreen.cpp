// placeholder, filled in by its subsystem's work
