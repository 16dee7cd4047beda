#pragma once

// Height shared by the kit's one-line widgets, so bars and dialogs line up.
constexpr int ui_row_height = 28;
