// Every record binding of the instrument database.
#pragma once

#include "operatordb/bindings_equipment.h"
#include "operatordb/bindings_plans.h"
#include "operatordb/bindings_stations.h"
