// Moved to display_rules.h; kept until every includer names that header.
#pragma once

#include "shell/display_rules.h"
