// RestrictDllSearch: libraries the process loads by name come from the system folder, never from beside it.
#pragma once

// Process-wide; call before anything loads a library at run time.
void RestrictDllSearch();
