// TEMPORARY placeholder until this installation step lands.

