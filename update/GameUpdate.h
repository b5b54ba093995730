#pragma once

// Tests only: the pause that the game update makes before each unpacking
// and each patching step (5000 ms in the product). A negative value
// restores the product's pause. Set it before a job starts.
void setInstallPauseForTests(int milliseconds);
