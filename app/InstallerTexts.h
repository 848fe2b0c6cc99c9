// Texts the installer window and its worker both show (GBK, as every narrow text of the program).
#pragma once

const char* const kWindowTitle = "Corvane在线安装程序";
