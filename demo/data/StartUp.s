// Tsukimi demo: the first script the engine runs.
// The engine starts the game thread at the label @@top below.

@@top
// Nothing to show yet; the demo grows from here.
