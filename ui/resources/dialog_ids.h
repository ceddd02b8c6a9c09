// Ids of DomaUI's dialog templates and their controls, read by the resource script (dialogs.rc) and by the code.
// Plain #defines only: the resource compiler's preprocessor reads this file too.
#ifndef TOLMA_UI_RESOURCES_DIALOG_IDS_H
#define TOLMA_UI_RESOURCES_DIALOG_IDS_H

// Buttons shared by several dialogs.
#define IDC_HELP_BUTTON 1006
#define IDC_RESTORE_DEFAULTS 1604
#define IDC_CLOSE 1605

// "Head Settings": trackbars 1800..1810 and their value labels 1811..1821, in the order of the private fields.
#define IDD_HEAD_SETTINGS 107
#define IDC_HEAD_CONTRAST_O 1800
#define IDC_HEAD_CONTRAST_KR 1801
#define IDC_HEAD_CONTRAST_H 1802
#define IDC_HEAD_INTENSITY_Y 1803
#define IDC_HEAD_INTENSITY_M 1804
#define IDC_HEAD_INTENSITY_C 1805
#define IDC_HEAD_INTENSITY_KD 1806
#define IDC_HEAD_CONTRAST_Y 1807
#define IDC_HEAD_CONTRAST_M 1808
#define IDC_HEAD_CONTRAST_C 1809
#define IDC_HEAD_CONTRAST_KD 1810
#define IDC_HEAD_CONTRAST_O_VALUE 1811
#define IDC_HEAD_CONTRAST_KR_VALUE 1812
#define IDC_HEAD_CONTRAST_H_VALUE 1813
#define IDC_HEAD_INTENSITY_Y_VALUE 1814
#define IDC_HEAD_INTENSITY_M_VALUE 1815
#define IDC_HEAD_INTENSITY_C_VALUE 1816
#define IDC_HEAD_INTENSITY_KD_VALUE 1817
#define IDC_HEAD_CONTRAST_Y_VALUE 1818
#define IDC_HEAD_CONTRAST_M_VALUE 1819
#define IDC_HEAD_CONTRAST_C_VALUE 1820
#define IDC_HEAD_CONTRAST_KD_VALUE 1821

// "Color correction": trackbars 1901..1908 and their value labels 1910..1917.
#define IDD_COLOR_CORRECTION 109
#define IDC_CC_INTENSITY_K 1901
#define IDC_CC_INTENSITY_R 1902
#define IDC_CC_INTENSITY_G 1903
#define IDC_CC_INTENSITY_B 1904
#define IDC_CC_CONTRAST_K 1905
#define IDC_CC_CONTRAST_R 1906
#define IDC_CC_CONTRAST_G 1907
#define IDC_CC_CONTRAST_B 1908
#define IDC_CC_INTENSITY_K_VALUE 1910
#define IDC_CC_INTENSITY_R_VALUE 1911
#define IDC_CC_INTENSITY_G_VALUE 1912
#define IDC_CC_INTENSITY_B_VALUE 1913
#define IDC_CC_CONTRAST_K_VALUE 1914
#define IDC_CC_CONTRAST_R_VALUE 1915
#define IDC_CC_CONTRAST_G_VALUE 1916
#define IDC_CC_CONTRAST_B_VALUE 1917

// "About": the logo is painted in the frame at the top left; the version static gets the version appended.
#define IDD_ABOUT 102
#define IDC_ABOUT_VERSION 2068

// "Tools": the free command and its status, test cards, cleaning, print offsets and direct encoding.
#define IDD_TOOLS 112
#define IDC_TOOLS_EXECUTE 1950
#define IDC_TOOLS_COMMAND 1951
#define IDC_TOOLS_EJECT 1952
#define IDC_TOOLS_PRINT 1953
#define IDC_TOOLS_CLEAN 1954
#define IDC_TOOLS_OFFSET_X 1956
#define IDC_TOOLS_OFFSET_Y 1957
#define IDC_TOOLS_SET_OFFSET 1958
#define IDC_TOOLS_TRACK1 1959
#define IDC_TOOLS_TRACK2 1960
#define IDC_TOOLS_TRACK3 1961
#define IDC_TOOLS_USE_TRACK1 1962
#define IDC_TOOLS_USE_TRACK2 1963
#define IDC_TOOLS_USE_TRACK3 1964
#define IDC_TOOLS_ENCODE 1965
#define IDC_TOOLS_STATUS 1966
#define IDC_TOOLS_READ 1967
#define IDC_TOOLS_TEST_CARD 1968
#define IDC_TOOLS_CLEANING 1969
#define IDC_TOOLS_SEND_FILE 1970

// "Ribbon Information" and "Device Information" share the ribbon fields.
#define IDD_RIBBON_INFO 113
#define IDD_DEVICE_INFO 124
#define IDC_INFO_RIBBON_TYPE 1332
#define IDC_INFO_RIBBON_COUNT 1333
#define IDC_INFO_MODEL 1334
#define IDC_INFO_SERIAL 1335
#define IDC_INFO_ENCODER 1336
#define IDC_INFO_SMART_CARD 1337
#define IDC_INFO_PANELS 1338
#define IDC_INFO_HEAD_RESISTANCE 1339

// "Single Feed Options": the two choices, the state and Apply (IDOK) / Cancel (IDCANCEL).
#define IDD_SINGLE_FEED 123
#define IDC_SINGLE_FEED_DISABLE 1322
#define IDC_SINGLE_FEED_ENABLE 1323
#define IDC_SINGLE_FEED_STATUS 1328

// "Send File": a PRN or command file to the printer; Close is IDCANCEL.
#define IDD_SEND_FILE 129
#define IDC_SEND_PATH 1975
#define IDC_SEND_SELECT 1976
#define IDC_SEND_STATUS 1977
#define IDC_SEND_START 1978
#define IDC_SEND_PRN 1998
#define IDC_SEND_TEXT 1999

#endif  // TOLMA_UI_RESOURCES_DIALOG_IDS_H
