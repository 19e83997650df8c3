// Placeholder: the dialog driver lands here.
#include "support/dialog_driver.h"
