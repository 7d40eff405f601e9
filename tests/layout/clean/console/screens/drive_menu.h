#pragma once
int DriveMenu();
