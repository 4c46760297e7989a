// What each command button must send: control id and "<Operation> <value>" as the
// simulator prints it after "cmd ".
#pragma once

#include <utility>
#include <vector>

inline const std::vector<std::pair<int, const char*>>& ExpectedCommands()
{
    static const std::vector<std::pair<int, const char*>> commands = {
        {1019, "SetKeySafe 0"},     {1043, "SetKeySafe 255"},    {1062, "SetCarDirect 0"},
        {1063, "SetCarDirect 1"},   {1064, "SetCarDirect 2"},    {1065, "SetCarDirect 3"},
        {1066, "SetCarDirect 4"},   {1044, "SetCarPwm0 500"},    {1080, "SetCarPwm0 1500"},
        {1081, "SetCarPwm0 2000"},  {1045, "SetCarPwm1 500"},    {1082, "SetCarPwm1 1500"},
        {1083, "SetCarPwm1 2000"},  {1049, "SetArmPwm 1000"},    {1067, "SetArmPwm 1500"},
        {1068, "SetArmPwm 2000"},   {1050, "SetBackLed 0"},      {1069, "SetBackLed 100"},
        {1051, "SetPhoPwm0 500"},   {1070, "SetPhoPwm0 1500"},   {1071, "SetPhoPwm0 2000"},
        {1052, "SetPhoPwm1 500"},   {1072, "SetPhoPwm1 1500"},   {1073, "SetPhoPwm1 2000"},
        {1053, "SetPhoBorS 100"},   {1074, "SetPhoBorS 150"},    {1075, "SetPhoBorS 200"},
        {1076, "SetPhoBorS 0"},     {1054, "SetPhoForN 100"},    {1077, "SetPhoForN 150"},
        {1078, "SetPhoForN 200"},   {1079, "SetPhoForN 0"},      {1055, "SetLampPwm 0"},
        {1084, "SetLampPwm 500"},   {1085, "SetLampPwm 1000"},   {1056, "SetPhoDisHum 0"},
        {1057, "SetPhoDisHum 255"}, {1058, "SetAutoWir 0"},      {1059, "SetAutoWir 255"},
        {1060, "SetDisMeasure 0"},  {1061, "SetDisMeasure 255"}, {1086, "SetPhoPwm1 500"},
        {1087, "SetPhoPwm1 2000"},  {1088, "SetPhoPwm0 500"},    {1089, "SetPhoPwm0 2000"},
        {1090, "SetPhoCenter 0"},   {1092, "SetPhoPwm1 1500"},   {1093, "SetPhoPwm0 1500"},
    };
    return commands;
}
