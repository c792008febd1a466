/* Product texts shared by the code and the resource script. */
#ifndef LARKMOOR_PRODUCT_H
#define LARKMOOR_PRODUCT_H

#define LARKMOOR_OWNER          "The Larkmoor developers"
#define LARKMOOR_OWNER_NOTICE   "Copyright (C) 2026 The Larkmoor developers"
#define LARKMOOR_WEB_PAGE       "https://larkmoor.example.org"

#endif
