// Screenshots of the test's windows as PNG files, the artefacts of the window tests.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// The folder of the run's screenshots: VELMO_SCREENSHOTS (set by the window-test runner), else
// the program's folder.
std::wstring ScreenshotFolder();

// What the screen shows in `rect` (screen coordinates), 0x00RRGGBB a pixel, rows top-down; empty
// when the screen could not be read.
std::vector<DWORD> ScreenPixels(const RECT& rect);

// Saves what the screen shows in the window's rectangle (its frame and owned windows on top of
// it included) as `name`.png in ScreenshotFolder(); the windows are repainted first. Returns the
// file's path, empty when the screen could not be read or the file not written.
std::wstring SaveScreenshot(HWND window, const std::wstring& name);

// An RGB image (rows top-down, 3 bytes a pixel) as a PNG file with stored (uncompressed)
// deflate blocks; false when the file cannot be written.
bool WritePng(const std::wstring& path, int width, int height, const std::vector<unsigned char>& rgb);
