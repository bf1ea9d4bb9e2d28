// The command libraries the tool links, as the runtime's library table lists
// them.
#pragma once

namespace app {

// Fills the runtime's library table in link order: the skin engine, then the
// folder browser. Start-up calls it before the libraries are notified.
void installCommandLibraries();

} // namespace app
