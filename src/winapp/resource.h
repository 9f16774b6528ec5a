#pragma once

// Resource numbers of Tarvelo.rc.
#define IDI_TARVELO 1
// The tray animation's frames 1 to 6: IDI_TRAY_FRAME1 + n - 1.
#define IDI_TRAY_FRAME1 101
