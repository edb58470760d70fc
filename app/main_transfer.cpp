#include "app/main_transfer.h"

MainTransfer mainTransfer;
