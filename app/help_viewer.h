#pragma once

// Opens the open-source acknowledgment in the platform's help viewer. One
// viewer process serves the whole run: while it runs, further requests start
// nothing. The outcome is not reported.
void open_acknowledgment_help();
