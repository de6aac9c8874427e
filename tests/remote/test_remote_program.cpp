#include "program/CRemoteControl.h"
#include <gtest/gtest.h>
