// Gives the page interface its meta-object code, which lives with the header.
#include "records/form_page.h"
