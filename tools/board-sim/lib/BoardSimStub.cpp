// Placeholder translation unit until the simulated board lands.
