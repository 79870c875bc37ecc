#pragma once

enum class NSTextAlignment { Left = 0, Center = 1, Right = 2 };
