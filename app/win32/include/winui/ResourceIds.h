/* The resource identifiers of the Win32 program, shared by its resource
   script and its code (the resource compiler reads plain defines only). */
#pragma once

/* The program icon, the frame's resources of the original layout. */
#define FLASHKIT_IDR_MAINFRAME 128
/* The pointer over the program's own buttons, 32 x 32. */
#define FLASHKIT_IDC_BUTTON_CURSOR 129
/* The About box and its two text fields. */
#define FLASHKIT_IDD_ABOUTBOX 100
#define FLASHKIT_IDC_VERSION_LINE 1010
#define FLASHKIT_IDC_LEGAL_LINE 1011
/* Setup > Network Port...: the prompt and the line for the URL. */
#define FLASHKIT_IDD_NETWORK_PORT 101
#define FLASHKIT_IDC_NETWORK_PROMPT 1020
#define FLASHKIT_IDC_NETWORK_URL 1021
