#pragma once

// Makes SIGINT and SIGTERM end the running QCoreApplication's event loop.
// Call once, after the application object exists.
bool quit_on_signals();
