// Removed once the GUI library has sources of its own.
