// Entry point of the receipts inquiry.
int main() { return 0; }
