/* Resource ids of the skin tests' own dialog template. */
#pragma once

#define IDD_SKIN_TEST_HOST 900
#define IDC_SKIN_TEST_BUTTON 901
#define IDC_SKIN_TEST_LABEL 902
#define IDC_SKIN_TEST_BUTTON2 903
