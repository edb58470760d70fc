#include "engine/copy_job.h"

CopyJob copyJob;
