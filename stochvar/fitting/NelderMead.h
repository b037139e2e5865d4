#pragma once

// CNelderMead: the simplex search of Nelder and Mead (1965) for the minimum of a function of a
// few variables, with the usual coefficients (reflection 1, expansion 2, contraction 1/2,
// shrink 1/2). It needs no derivatives, which the estimators with several free parameters
// (beta exponents, triangular bounds) do not have in closed form. A value that is not a number
// counts as +infinity, so a function may answer NaN outside its domain.

#include <functional>
#include <vector>

namespace stochvar {

class CNelderMead {
public:
    using Function = std::function<double(const std::vector<double>&)>;

    struct SResult {
        std::vector<double> x;
        double dValue = 0.0;
        int nEvaluations = 0;
        bool bConverged = false;
    };

    // Starts from x0 with a simplex of steps dStep along each axis; stops when the values at the
    // simplex's vertices lie within dTolerance of each other (absolute) and its vertices within
    // dTolerance of the best one in every coordinate, or after nMaxEvaluations.
    static SResult Minimise(const Function& f, std::vector<double> x0, double dStep,
                            double dTolerance, int nMaxEvaluations);
};

} // namespace stochvar
