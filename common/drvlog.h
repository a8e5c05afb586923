// Optional diagnostic log shared by bidiupdate and psfilter.
//
// Logging is off until InitLog finds the control file "QZ5182R064Log.ini"
// naming a level ("FULL" or "LIGHT"); lines are then appended to
// "QZ5182R064Log.log" in the same folder as "PID<pid>_<time>: <message>".
#pragma once

enum LOG_LEVELS : short { LOG_LIGHT = 0, LOG_FULL = 1 };

extern bool gisLogEnabled;
extern short logLevel;

// Reads the control file once it exists; later calls do nothing once logging is on.
void InitLog();

// Appends one formatted line when logging is on and `level` is not above the
// chosen level. Messages are cut at 2047 characters.
void LOGPRINTA(short level, const char* fmt, ...) __attribute__((format(printf, 2, 3)));

// Always 0; kept for the catalog's trace lines.
int GetLastError();
