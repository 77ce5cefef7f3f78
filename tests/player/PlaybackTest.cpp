#include "PlayerTestSupport.h"
#include <gtest/gtest.h>
