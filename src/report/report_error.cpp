#include "report/report_error.h"
