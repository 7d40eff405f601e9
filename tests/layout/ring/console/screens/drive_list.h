#pragma once
int DriveList();
