/* A small general ledger: postings are read from CSV lines of the form
 * "date,account,amount" (amount in cents, signed) and summed per account. */
#ifndef LEDGER_H
#define LEDGER_H

#include <stddef.h>

#define LEDGER_MAX_ACCOUNTS 64
#define LEDGER_ACCOUNT_LEN 16

struct account {
  char name[LEDGER_ACCOUNT_LEN];
  long long balance; /* cents */
  unsigned postings;
};

struct ledger {
  struct account accounts[LEDGER_MAX_ACCOUNTS];
  size_t count;
  unsigned rejected; /* lines that were not postings */
};

enum post_result { POST_OK, POST_BAD_LINE, POST_FULL };

void ledger_init(struct ledger* ledger);

/* Parses one CSV line and adds it to its account. */
enum post_result ledger_post_line(struct ledger* ledger, const char* line);

/* The account called `name`, or NULL. */
const struct account* ledger_find(const struct ledger* ledger, const char* name);

/* Formats cents as "-1,234.56" into `out` (at least 32 bytes). */
void ledger_format_amount(long long cents, char* out, size_t size);

#endif
