#include "db/tables/Dnl.h"  // the record lives with the journal that stores it
