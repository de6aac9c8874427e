#include "remote/RemoteMessages.h"
#include <gtest/gtest.h>
