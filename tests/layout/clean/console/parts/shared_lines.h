#pragma once
int SharedLine();
