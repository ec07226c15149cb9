#include "layout.h"

#include <algorithm>

namespace gen {

const std::vector<TableRules>& tableRules() {
    static const std::vector<TableRules> rules = {
        {1, "table.ms3d", 31, 269, -315, 335, 110, 190, 110, 190, 200, 150, 200, 230, -300},
        {2, "table2.ms3d", -40, 335, -315, 335, 120, 180, 130, 190, 200, 150, 200, 230, -300},
        {3, "table3.ms3d", -40, 335, -218, 238, -5, 55, 265, 325, 100, 150, 100, 230, -300},
        {4, "table4.ms3d", 85, 215, -325, 345, 135, 175, 135, 175, 200, 150, 100, 230, -300},
        {5, "table5.ms3d", 31, 269, -188, 218, 110, 190, 110, 190, 80, 150, 50, 170, -170},
        {6, "table7.ms3d", -30, 330, -473, 503, 90, 210, 110, 190, 200, 150, 200, 230, -300},
        {7, "table.ms3d", 31, 269, -315, 335, 110, 190, 110, 190, 120, 120, 200, 230, -300},
        {8, "table2.ms3d", -40, 335, -315, 335, 120, 180, 130, 190, 120, 120, 200, 230, -300},
        {9, "table3.ms3d", -40, 335, -218, 238, -5, 55, 265, 325, 100, 150, 100, 230, -300},
        {10, "table5.ms3d", 31, 269, -188, 218, 110, 190, 110, 190, 80, 150, 50, 170, -170},
        {11, "table7.ms3d", -30, 330, -473, 503, 90, 210, 110, 190, 200, 200, 200, 230, -300},
    };
    return rules;
}

namespace {

// The union of two open intervals as disjoint open intervals.
std::vector<std::pair<int, int>> mergeMouths(std::pair<int, int> a, std::pair<int, int> b) {
    if (a.first > b.first) std::swap(a, b);
    if (b.first < a.second) return {{a.first, std::max(a.second, b.second)}};
    // (110, 190) and (190, 250) leave x = 190 closed: two mouths with a post of no width.
    return {a, b};
}

}  // namespace

bool tableModelPlans(std::vector<TableModelPlan>& plans, std::string& error) {
    plans.clear();
    for (const TableRules& r : tableRules()) {
        auto mouths = mergeMouths({r.goal_min_x, r.goal_max_x}, {r.goal_min_x2, r.goal_max_x2});
        auto it = std::find_if(plans.begin(), plans.end(), [&](const TableModelPlan& s) { return s.file == r.model; });
        if (it == plans.end()) {
            TableModelPlan s;
            s.file = r.model;
            s.tables = {r.number};
            s.min_x = r.min_x;
            s.max_x = r.max_x;
            s.min_z = r.min_z;
            s.max_z = r.max_z;
            s.mouths = mouths;
            s.serveZ = {r.goal_z};
            plans.push_back(s);
            continue;
        }
        if (it->min_x != r.min_x || it->max_x != r.max_x || it->min_z != r.min_z || it->max_z != r.max_z ||
            it->mouths != mouths) {
            error = "table " + std::to_string(r.number) + " does not fit " + r.model + " of table " +
                    std::to_string(it->tables.front());
            return false;
        }
        it->tables.push_back(r.number);
        if (std::find(it->serveZ.begin(), it->serveZ.end(), r.goal_z) == it->serveZ.end()) it->serveZ.push_back(r.goal_z);
    }
    return true;
}

}  // namespace gen
