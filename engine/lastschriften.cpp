// SEPA core direct debits: the collection file of a month.
