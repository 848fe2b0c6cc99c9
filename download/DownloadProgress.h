// Progress codes of CDownloadFile's notifications: the low word of wParam; the high word is the download id.
#pragma once

const unsigned DLP_START = 1;      // lParam: the download id (wParam carries no id)
const unsigned DLP_TOTAL = 16;     // lParam: the expected size in bytes
const unsigned DLP_RESUMED = 32;   // lParam: the bytes already in the temporary file
const unsigned DLP_RECEIVED = 48;  // lParam: the bytes in the temporary file so far
const unsigned DLP_SPEED = 64;     // lParam: the average speed of this call in KB/s
