#pragma once
#include <memory>
#include <string>
#include <vector>

class UIImage;

// Lays pictures out in a grid, each shrunk by a whole factor, on a dark ground.
class ContactSheet {
public:
    // Answers the sheet, or null when there is nothing to lay out.
    static std::shared_ptr<UIImage> make(const std::vector<std::shared_ptr<UIImage>>& pictures, int columns, int shrink);
};
