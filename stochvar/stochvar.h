#pragma once

// Umbrella header of the stochvar core library.

#include <stochvar/framework/Archive.h>
#include <stochvar/framework/ArchiveException.h>
#include <stochvar/framework/Array.h>
#include <stochvar/framework/Object.h>
#include <stochvar/framework/String.h>
#include <stochvar/framework/Types.h>
#include <stochvar/model/Dist.h>
#include <stochvar/model/DistStatus.h>
#include <stochvar/model/Keywords.h>
#include <stochvar/module/HostHooks.h>
#include <stochvar/numerics/Constants.h>
#include <stochvar/numerics/ExOr.h>
#include <stochvar/numerics/MachineConstant.h>
#include <stochvar/numerics/SpecialFunctions.h>
#include <stochvar/numerics/StdNormal.h>
// Every family's class, with the list of families.
#include <stochvar/families/FamilyList.h>
#include <stochvar/simulation/BatchSampler.h>
#include <stochvar/simulation/Corr.h>
#include <stochvar/simulation/DistCollection.h>
#include <stochvar/simulation/GaussHermite.h>
#include <stochvar/simulation/Nataf.h>
// Reliability analysis of a collection.
#include <stochvar/reliability/Form.h>
#include <stochvar/reliability/ImportanceSampling.h>
#include <stochvar/reliability/LimitState.h>
#include <stochvar/reliability/MonteCarlo.h>
#include <stochvar/reliability/ReliabilityError.h>
#include <stochvar/reliability/Sorm.h>
#include <stochvar/reliability/StandardNormalSpace.h>
#include <stochvar/reliability/SubsetSimulation.h>
#include <stochvar/reliability/USpaceTransform.h>
