#ifndef CORVELLE_RESOURCE_H
#define CORVELLE_RESOURCE_H
// Resource ids of the executable, shared by corvelle.rc and the code.

// The window icon.
#define IDI_CORVELLE 1
// The command buttons' 16 x 16 pictures, RaveButtons1 to RaveButtons4.
#define IDB_BUTTON1 101
#define IDB_BUTTON2 102
#define IDB_BUTTON3 103
#define IDB_BUTTON4 104
// The banner GIF, kept as raw bytes for the platform to decode.
#define IDR_BANNER 201

#endif
