// What the sources of the memory backend ask of one another for Reset.
#pragma once

namespace plat::memory {

// Each forgets its handles and contents; called with StateMutex() held.
void ResetFileHandles();  // files.cpp
void ResetRegistry();     // registry.cpp

}  // namespace plat::memory
