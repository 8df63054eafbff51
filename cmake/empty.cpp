// Keeps an area library valid while it has no Win32-free unit.
