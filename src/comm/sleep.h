#pragma once

// Blocks the calling thread for ms milliseconds (resuming after signals).
void SleepMs(int ms);
