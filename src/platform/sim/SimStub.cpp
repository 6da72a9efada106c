// Placeholder until the simulated machine lands.
