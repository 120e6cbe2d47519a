/* The id under which the companion library holds its texture palette. */
#ifndef TESSALINE_PALETTE_ID_H
#define TESSALINE_PALETTE_ID_H
#define TESSALINE_PALETTE_ID 98
#endif
