// The class library's window class. Only declared here so far: the application object refers
// to its main window through a pointer.
#pragma once

class CWnd;
