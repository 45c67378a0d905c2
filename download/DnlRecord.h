#include "db/DnlRecord.h"  // the record lives with the journal that stores it
