#ifndef CORVELLE_VERSION_H
#define CORVELLE_VERSION_H
/* The product's version, shared by the programs' version resources and the code. */

#define CORVELLE_VERSION_TEXT "1.05"
#define CORVELLE_FILE_VERSION_TEXT "1.0.5.0"
#define CORVELLE_VERSION_NUMBERS 1, 0, 5, 0

#endif
