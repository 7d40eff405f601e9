// Login checks against the configured users and groups, the group database
// and the shadow password database.
#pragma once

constexpr unsigned LOGIN_USER_MAX = 80;       // longer user names are refused
constexpr unsigned LOGIN_PASSWORD_MAX = 128;  // longer passwords are refused

// 1 accepted (access class into *access), 0 refused. Every path does the
// same password hashing work, so the answer's timing does not tell which
// user names exist.
int check_login(const char* user, const char* password, unsigned char* access);
// 0 when the password matches the user's shadow entry; a missing entry, an
// empty or locked hash and a failed crypt never match.
int check_password(const char* user, const char* password);
// 0 when the group's member list names the user.
int is_group_member(const char* group, const char* user);
