#include "model/obj_model.h"

ObjModel ModelTable[kModelCount] = {};

int loadObjModel(ObjModel&, const char*) {
    return 0;
}
ObjGroup* findObjGroup(const ObjModel&, const char*) {
    return nullptr;
}
ObjGroup* addObjGroup(ObjModel&, const char*) {
    return nullptr;
}
void freeObjModel(ObjModel& model) {
    model = ObjModel{};
}
